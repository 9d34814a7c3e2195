// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileHeader.h"

#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(MetafileKind)

class tst_MetafileHeader : public QObject
{
    Q_OBJECT
private slots:
    void readsOnlySoundHeaders_data();
    void readsOnlySoundHeaders();
};

void tst_MetafileHeader::readsOnlySoundHeaders_data()
{
    QTest::addColumn<QString>("name");
    // What the first bytes announce, and the size read; none for a damaged file.
    QTest::addColumn<MetafileKind>("kind");
    QTest::addColumn<QSize>("size");
    // Bytes after the end record: not part of the picture, however they look.
    QTest::addColumn<int>("after");
    const auto row = [](const char* name, MetafileKind kind, QSize size = {}, int after = 0) {
        QTest::newRow(name) << QString::fromLatin1(name) << kind << size << after;
    };
    const auto emf = MetafileKind::Emf;
    const auto wmf = MetafileKind::Wmf;
    // 10 x 5 mm at 96 pixels per inch.
    row("frame.emf", emf, QSize(38, 19));
    row("frame-not-bounds.emf", emf, QSize(38, 38));
    row("frame-off-origin.emf", emf, QSize(38, 19));
    row("bounds-without-frame.emf", emf, QSize(200, 50));
    row("declared-length-too-long.emf", emf, QSize(38, 19));
    row("frame-32-bit-range.emf", emf, QSize(162329473, 96));
    row("garbage-after-end.emf", emf, QSize(38, 19), 64);
    // 100 x 50 units at 96 per inch.
    row("placeable.wmf", wmf, QSize(100, 50));
    row("placeable-1440.wmf", wmf, QSize(96, 192));
    row("placeable-right-to-left.wmf", wmf, QSize(200, 50));
    row("placeable-without-units.wmf", wmf, QSize(400, 300));
    row("garbage-after-end.wmf", wmf, QSize(100, 50), 64);
    row("window.wmf", wmf, QSize(100, 50));
    row("window-upside-down.wmf", wmf, QSize(100, 50));
    row("window-twips.wmf", wmf, QSize(192, 96));
    row("window-hundredths-mm.wmf", wmf, QSize(192, 96));
    row("declared-length-too-long.wmf", wmf, QSize(100, 50));
    row("drawing-extent.wmf", wmf, QSize(100, 50));

    row("empty.emf", MetafileKind::None);
    row("text.wmf", MetafileKind::None);
    row("too-short-to-tell.emf", MetafileKind::None);
    row("unknown-version.wmf", MetafileKind::None);
    row("../pictures/quadrants.bmp", MetafileKind::None);
    row("header-too-short.emf", emf);
    row("header-too-long.emf", emf);
    row("description-outside.emf", emf);
    row("without-size.emf", emf);
    row("without-end.emf", emf);
    row("record-length-0.emf", emf);
    row("record-length-odd.emf", emf);
    row("record-past-end.emf", emf);
    row("second-header.emf", emf);
    row("header-wrong-length.wmf", wmf);
    row("placeable-header-alone.wmf", wmf);
    row("without-size.wmf", wmf);
    row("without-end.wmf", wmf);
    row("record-length-0.wmf", wmf);
    row("record-past-end.wmf", wmf);
}

void tst_MetafileHeader::readsOnlySoundHeaders()
{
    QFETCH(QString, name);
    QFETCH(MetafileKind, kind);
    QFETCH(QSize, size);
    QFETCH(int, after);
    QFile file(QStringLiteral(SLIDEWELL_TEST_DATA "/metafiles/") + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QCOMPARE(MetafileHeader::detect(data), kind);
    MetafileHeader header;
    if (!size.isValid()) {
        QVERIFY(!header.read(data));
        QVERIFY(!header.errorString().isEmpty());
        QCOMPARE(header.kind(), MetafileKind::None);
        QCOMPARE(header.recordsLength(), 0);
        return;
    }
    QVERIFY2(header.read(data), qPrintable(header.errorString()));
    QCOMPARE(header.kind(), kind);
    QCOMPARE(header.naturalSize(), size);
    QCOMPARE(header.recordsLength(), data.size() - after);
    // Cut anywhere before the end record, the file is damaged.
    for (qsizetype length = 0; length < header.recordsLength(); ++length)
        QVERIFY2(!MetafileHeader().read(data.left(length)), qPrintable(QString::number(length)));
}

QTEST_GUILESS_MAIN(tst_MetafileHeader)
#include "tst_MetafileHeader.moc"
