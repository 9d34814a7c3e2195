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
    const auto emf = MetafileKind::Emf;
    const auto wmf = MetafileKind::Wmf;
    const QSize none;

    // 10 x 5 mm at 96 pixels per inch.
    QTest::newRow("emf frame") << "frame.emf" << emf << QSize(38, 19) << 0;
    QTest::newRow("emf frame, not the ink's bounds")
        << "frame-not-bounds.emf" << emf << QSize(38, 38) << 0;
    QTest::newRow("emf frame away from the origin")
        << "frame-off-origin.emf" << emf << QSize(38, 19) << 0;
    QTest::newRow("emf empty frame, bounds instead")
        << "bounds-without-frame.emf" << emf << QSize(200, 50) << 0;
    QTest::newRow("emf declared length larger than the file")
        << "declared-length-too-long.emf" << emf << QSize(38, 19) << 0;
    QTest::newRow("emf frame of the whole 32-bit range")
        << "frame-32-bit-range.emf" << emf << QSize(162329473, 96) << 0;
    QTest::newRow("emf, garbage after the end")
        << "garbage-after-end.emf" << emf << QSize(38, 19) << 64;
    // 100 x 50 units at 96 per inch.
    QTest::newRow("placeable wmf") << "placeable.wmf" << wmf << QSize(100, 50) << 0;
    QTest::newRow("placeable wmf, 1440 per inch")
        << "placeable-1440.wmf" << wmf << QSize(96, 192) << 0;
    QTest::newRow("placeable wmf, box given right to left")
        << "placeable-right-to-left.wmf" << wmf << QSize(200, 50) << 0;
    QTest::newRow("placeable wmf without units, window instead")
        << "placeable-without-units.wmf" << wmf << QSize(400, 300) << 0;
    QTest::newRow("placeable wmf, garbage after the end")
        << "garbage-after-end.wmf" << wmf << QSize(100, 50) << 64;
    QTest::newRow("wmf window") << "window.wmf" << wmf << QSize(100, 50) << 0;
    QTest::newRow("wmf window upside down")
        << "window-upside-down.wmf" << wmf << QSize(100, 50) << 0;
    QTest::newRow("wmf window in twips") << "window-twips.wmf" << wmf << QSize(192, 96) << 0;
    QTest::newRow("wmf window in hundredths of a millimetre")
        << "window-hundredths-mm.wmf" << wmf << QSize(192, 96) << 0;
    QTest::newRow("wmf declared length larger than the file")
        << "declared-length-too-long.wmf" << wmf << QSize(100, 50) << 0;

    QTest::newRow("empty") << "empty.emf" << MetafileKind::None << none << 0;
    QTest::newRow("text") << "text.wmf" << MetafileKind::None << none << 0;
    QTest::newRow("emf header too short to tell")
        << "too-short-to-tell.emf" << MetafileKind::None << none << 0;
    QTest::newRow("wmf of unknown version")
        << "unknown-version.wmf" << MetafileKind::None << none << 0;
    QTest::newRow("bmp") << "../pictures/quadrants.bmp" << MetafileKind::None << none << 0;
    QTest::newRow("emf header shorter than its fields")
        << "header-too-short.emf" << emf << none << 0;
    QTest::newRow("emf header longer than the file") << "header-too-long.emf" << emf << none << 0;
    QTest::newRow("emf description outside the header")
        << "description-outside.emf" << emf << none << 0;
    QTest::newRow("emf without size") << "without-size.emf" << emf << none << 0;
    QTest::newRow("emf without end record") << "without-end.emf" << emf << none << 0;
    QTest::newRow("emf record of length 0") << "record-length-0.emf" << emf << none << 0;
    QTest::newRow("emf record length not a multiple of 4")
        << "record-length-odd.emf" << emf << none << 0;
    QTest::newRow("emf record past the end") << "record-past-end.emf" << emf << none << 0;
    QTest::newRow("emf second header") << "second-header.emf" << emf << none << 0;
    QTest::newRow("wmf header of the wrong length")
        << "header-wrong-length.wmf" << wmf << none << 0;
    QTest::newRow("placeable header alone") << "placeable-header-alone.wmf" << wmf << none << 0;
    QTest::newRow("wmf without size") << "without-size.wmf" << wmf << none << 0;
    QTest::newRow("wmf without end record") << "without-end.wmf" << wmf << none << 0;
    QTest::newRow("wmf record of length 0") << "record-length-0.wmf" << wmf << none << 0;
    QTest::newRow("wmf record past the end") << "record-past-end.wmf" << wmf << none << 0;
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
