// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileHeader.h"
#include "tests/MetafileSamples.h"

#include <QTest>

using namespace MetafileSamples;

Q_DECLARE_METATYPE(MetafileKind)

class tst_MetafileHeader : public QObject
{
    Q_OBJECT
private slots:
    void readsSize_data();
    void readsSize();
    void rejectsDamage_data();
    void rejectsDamage();
    void everyTruncationIsRejected_data();
    void everyTruncationIsRejected();
    void stopsAtEndRecord();
    void detectsByContent_data();
    void detectsByContent();
};

void tst_MetafileHeader::readsSize_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<MetafileKind>("kind");
    QTest::addColumn<QSize>("size");

    // 10 x 5 mm at 96 pixels per inch.
    QTest::newRow("emf frame") << emf() << MetafileKind::Emf << QSize(38, 19);
    QTest::newRow("emf frame, not the ink's bounds")
        << emfHeader(QRect(QPoint(0, 0), QPoint(1000, 1000)), QRect(0, 0, 100, 50)) + emfDrawing()
            + emfEnd()
        << MetafileKind::Emf << QSize(38, 38);
    QTest::newRow("emf frame away from the origin")
        << emfHeader(QRect(QPoint(-2000, 500), QPoint(-1000, 1000))) + emfEnd() << MetafileKind::Emf
        << QSize(38, 19);
    QTest::newRow("emf empty frame, bounds instead")
        << emfHeader(QRect(QPoint(0, 0), QPoint(0, 0)), QRect(0, 0, 200, 50)) + emfEnd()
        << MetafileKind::Emf << QSize(200, 50);
    QTest::newRow("emf declared length larger than the file")
        << emfHeader(QRect(QPoint(0, 0), QPoint(1000, 500)), QRect(0, 0, 100, 50), 0x7FFFFFFF)
            + emfEnd()
        << MetafileKind::Emf << QSize(38, 19);
    QTest::newRow("emf frame of the whole 32-bit range")
        << emfHeader(QRect(QPoint(-2147483647 - 1, 0), QPoint(2147483647, 2540))) + emfEnd()
        << MetafileKind::Emf << QSize(162329473, 96);

    // 100 x 50 units at 96 per inch.
    QTest::newRow("placeable wmf") << placeableWmf() << MetafileKind::Wmf << QSize(100, 50);
    QTest::newRow("placeable wmf, 1440 per inch")
        << placeableHeader(QRect(QPoint(0, 0), QPoint(1440, 2880)), 1440) + wmf()
        << MetafileKind::Wmf << QSize(96, 192);
    QTest::newRow("placeable wmf, box given right to left")
        << placeableHeader(QRect(QPoint(100, 50), QPoint(-100, 0)), 96) + wmf() << MetafileKind::Wmf
        << QSize(200, 50);
    QTest::newRow("placeable wmf without units, window instead")
        << placeableHeader(QRect(QPoint(0, 0), QPoint(100, 50)), 0) + wmfHeader()
            + wmfDrawing({ 300, 400 }) + wmfEnd()
        << MetafileKind::Wmf << QSize(400, 300);
    QTest::newRow("wmf window") << wmf() << MetafileKind::Wmf << QSize(100, 50);
    QTest::newRow("wmf window upside down")
        << wmfHeader() + wmfDrawing({ -50, 100 }) + wmfEnd() << MetafileKind::Wmf << QSize(100, 50);
    QTest::newRow("wmf window in twips")
        << wmfHeader() + wmfRecord(0x0103, { 6 }) + wmfDrawing({ 1440, 2880 }) + wmfEnd()
        << MetafileKind::Wmf << QSize(192, 96);
    QTest::newRow("wmf window in hundredths of a millimetre")
        << wmfHeader() + wmfRecord(0x0103, { 3 }) + wmfDrawing({ 2540, 5080 }) + wmfEnd()
        << MetafileKind::Wmf << QSize(192, 96);
    QTest::newRow("wmf declared length larger than the file")
        << wmfHeader(0x7FFFFFFF) + wmfDrawing() + wmfEnd() << MetafileKind::Wmf << QSize(100, 50);
}

void tst_MetafileHeader::readsSize()
{
    QFETCH(QByteArray, data);
    QFETCH(MetafileKind, kind);
    QFETCH(QSize, size);
    MetafileHeader header;
    QVERIFY2(header.read(data), qPrintable(header.errorString()));
    QCOMPARE(header.kind(), kind);
    QCOMPARE(header.naturalSize(), size);
    QCOMPARE(header.recordsLength(), data.size());
}

void tst_MetafileHeader::rejectsDamage_data()
{
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("not a picture at all, only some words of text");
    QByteArray emfShortHeader = emf();
    emfShortHeader.replace(4, 4, littleEndian({ 40 }));
    QTest::newRow("emf header shorter than its fields") << emfShortHeader;
    QByteArray emfLongHeader = emf();
    emfLongHeader.replace(4, 4, littleEndian({ 0x10000 }));
    QTest::newRow("emf header longer than the file") << emfLongHeader;
    QByteArray emfDescription = emf();
    emfDescription.replace(60, 8, littleEndian({ 1000, 88 }));
    QTest::newRow("emf description outside the header") << emfDescription;
    QTest::newRow("emf without size")
        << emfHeader(QRect(QPoint(10, 10), QPoint(10, 0)), QRect(QPoint(5, 5), QPoint(0, 0)))
            + emfEnd();
    QTest::newRow("emf without end record") << emfHeader() + emfDrawing();
    QTest::newRow("emf record of length 0") << emfHeader() + littleEndian({ 43, 0 }) + emfEnd();
    QTest::newRow("emf record length not a multiple of 4")
        << emfHeader() + littleEndian({ 43, 10, 0 }) + emfEnd();
    QTest::newRow("emf record longer than the file")
        << emfHeader() + littleEndian({ 43, qint32(0xFFFFFFF0) }) + emfEnd();
    QTest::newRow("emf second header") << emfHeader() + emfHeader() + emfEnd();

    QByteArray placeableShortHeader = placeableWmf();
    placeableShortHeader.replace(24, 2, words({ 4 }));
    QTest::newRow("wmf header of the wrong length") << placeableShortHeader;
    QTest::newRow("placeable header alone") << placeableHeader();
    QTest::newRow("wmf without size") << wmfHeader() + wmfRecord(0x0103, { 8 }) + wmfEnd();
    QTest::newRow("wmf without end record") << wmfHeader() + wmfDrawing();
    QTest::newRow("wmf record of length 0")
        << wmfHeader() + wmfDrawing() + words({ 0, 0, 0x041B }) + wmfEnd();
    QTest::newRow("wmf record longer than the file")
        << wmfHeader() + wmfDrawing() + words({ -1, 0x7FFF, 0x041B }) + wmfEnd();
}

void tst_MetafileHeader::rejectsDamage()
{
    QFETCH(QByteArray, data);
    MetafileHeader header;
    QVERIFY(!header.read(data));
    QVERIFY(!header.errorString().isEmpty());
    QCOMPARE(header.kind(), MetafileKind::None);
    QCOMPARE(header.recordsLength(), 0);
}

void tst_MetafileHeader::everyTruncationIsRejected_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("emf") << emf();
    QTest::newRow("wmf") << wmf();
    QTest::newRow("placeable wmf") << placeableWmf();
}

void tst_MetafileHeader::everyTruncationIsRejected()
{
    QFETCH(QByteArray, data);
    MetafileHeader header;
    for (qsizetype length = 0; length < data.size(); ++length)
        QVERIFY2(!header.read(data.left(length)), qPrintable(QString::number(length)));
    QVERIFY(header.read(data));
}

void tst_MetafileHeader::stopsAtEndRecord()
{
    // Bytes after the end record are not part of the picture, however they look.
    const QByteArray garbage = QByteArray(64, '\xFF');
    MetafileHeader header;
    QVERIFY(header.read(emf() + garbage));
    QCOMPARE(header.recordsLength(), emf().size());
    QVERIFY(header.read(placeableWmf() + garbage));
    QCOMPARE(header.recordsLength(), placeableWmf().size());
}

void tst_MetafileHeader::detectsByContent_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<MetafileKind>("kind");
    QTest::newRow("emf") << emf().left(44) << MetafileKind::Emf;
    QTest::newRow("emf too short to tell") << emf().left(43) << MetafileKind::None;
    QTest::newRow("placeable wmf") << placeableHeader().left(4) << MetafileKind::Wmf;
    QTest::newRow("wmf") << wmfHeader().left(6) << MetafileKind::Wmf;
    QTest::newRow("wmf of unknown version") << words({ 1, 9, 0x0200 }) << MetafileKind::None;
    QTest::newRow("bmp") << QByteArray("BM\x36\x00\x00\x00\x00\x00\x00\x00", 10)
                         << MetafileKind::None;
    QTest::newRow("empty") << QByteArray() << MetafileKind::None;
}

void tst_MetafileHeader::detectsByContent()
{
    QFETCH(QByteArray, start);
    QFETCH(MetafileKind, kind);
    QCOMPARE(MetafileHeader::detect(start), kind);
}

QTEST_GUILESS_MAIN(tst_MetafileHeader)
#include "tst_MetafileHeader.moc"
