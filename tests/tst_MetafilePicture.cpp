// SPDX-License-Identifier: GPL-2.0-or-later
// EMF and WMF files through the show's picture loader: recognised by content, sized by their
// header, drawn at the size asked for.
#include "app/FittedPicture.h"
#include "pictures/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "tests/MetafileSamples.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace MetafileSamples;

class tst_MetafilePicture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void drawsMetafiles_data();
    void drawsMetafiles();
    void failsOnDamagedMetafiles_data();
    void failsOnDamagedMetafiles();
    void fitsIntoShowLikeAnyPicture();

private:
    QString write(const QString& name, const QByteArray& data);

    QTemporaryDir m_folder;
};

void tst_MetafilePicture::initTestCase()
{
    QVERIFY(m_folder.isValid());
    // The tests run from their own folder; the helper is built next to the program.
    qputenv("SLIDEWELL_METAFILE_HELPER",
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/../slidewell-metafile"));
}

QString tst_MetafilePicture::write(const QString& name, const QByteArray& data)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    return path;
}

void tst_MetafilePicture::drawsMetafiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("naturalSize");
    // Empty: the left half is red and the right half empty; else the picture must be drawn
    // exactly as this other one.
    QTest::addColumn<QByteArray>("sameAs");
    const QSize emfSize(38, 19);
    QTest::newRow("emf") << "picture.emf" << emf() << emfSize << QByteArray();
    QTest::newRow("wmf") << "picture.wmf" << placeableWmf() << QSize(100, 50) << QByteArray();
    QTest::newRow("emf named as a photo") << "photo.jpg" << emf() << emfSize << QByteArray();
    QTest::newRow("wmf without extension") << "drawing" << wmf() << QSize(100, 50) << QByteArray();

    const QByteArray whole = emfRecord(43, { 0, 0, 100, 50 });
    QTest::newRow("clip region") << "region.emf"
                                 << emfHeader() + emfRedBrush()
            + emfRecord(75, { 48, 5, 32, 1, 1, 16, 0, 0, 50, 50, 0, 0, 50, 50 }) + whole + emfEnd()
                                 << emfSize << QByteArray();
    QTest::newRow("clip path") << "path.emf"
                               << emfHeader() + emfRedBrush() + emfRecord(59, {})
            + emfRecord(43, { 0, 0, 50, 50 }) + emfRecord(60, {}) + emfRecord(67, { 5 }) + whole
            + emfEnd() << emfSize
                               << QByteArray();
    QTest::newRow("world transform") << "transform.emf"
                                     << emfHeader() + emfRedBrush()
            + emfRecord(35, { floatBits(0.5), 0, 0, floatBits(1), 0, 0 }) + whole + emfEnd()
                                     << emfSize << QByteArray();
    // A stretched blit that fills with the brush (PATCOPY) and has no bitmap.
    QTest::newRow("pattern raster operation") << "pattern.emf"
                                              << emfHeader() + emfRedBrush()
            + emfRecord(77,
                { 0, 0, 50, 50, 0, 0, 50, 50, 0x00F00021, 0, 0, floatBits(1), 0, 0, floatBits(1), 0,
                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0 })
            + emfEnd() << emfSize << QByteArray();
    // Two pixels, the first red, the second skipped by the end of its line: it stays untouched.
    QTest::newRow("rle8 bitmap") << "rle8.emf"
                                 << emfHeader()
            + emfRecord(81,
                { 0, 0, 100, 50, 0, 0, 0, 0, 2, 1, 80, 48, 128, 8, 0, 0x00CC0020, 100, 50, 40, 2, 1,
                    1 | 8 << 16, 1, 8, 0, 0, 2, 0, 0x00FF0000, 0, 0x00000001, 0x00000100 })
            + emfEnd() << emfSize << QByteArray();
    // A GDI+ reader draws the EMF+ records and skips the GDI records in between.
    const QByteArray plusHeader =
        emfPlusRecord(0x4001, 1, littleEndian({ qint32(0xDBC01002), 0, 96, 96 }));
    const QByteArray plusFill = emfPlusRecord(0x400A, 0x8000,
        littleEndian({ qint32(0xFFFF0000), 1, 0, 0, floatBits(50), floatBits(50) }));
    QTest::newRow("emf+ dual file") << "dual.emf"
                                    << emfHeader() + emfPlusComment(plusHeader + plusFill)
            + emfRedBrush() + emfRecord(43, { 50, 0, 100, 50 })
            + emfPlusComment(emfPlusRecord(0x4002, 0, {})) + emfEnd()
                                    << emfSize << QByteArray();
    QTest::newRow("symbol font character")
        << "symbol.emf" << emfHeader() + emfCharacter("Symbol", 2, 'S') + emfEnd() << emfSize
        << emfHeader() + emfCharacter("Symbol", 0, u'\u03A3') + emfEnd();
}

void tst_MetafilePicture::drawsMetafiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, naturalSize);
    QFETCH(QByteArray, sameAs);
    PictureFile picture;
    QVERIFY2(picture.open(write(name, data)), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), naturalSize);
    const QImage image = picture.decode(QSize(300, 150));
    QVERIFY2(!image.isNull(), qPrintable(picture.errorString()));
    QCOMPARE(image.size(), QSize(300, 150));
    if (sameAs.isEmpty()) {
        QCOMPARE(image.pixelColor(75, 75), QColor(Qt::red));
        QCOMPARE(image.pixelColor(225, 75).alpha(), 0);
        return;
    }
    PictureFile other;
    QVERIFY(other.open(write("same-" + name, sameAs)));
    const QImage expected = other.decode(QSize(300, 150));
    QImage blank(image.size(), image.format());
    blank.fill(Qt::transparent);
    QVERIFY(image != blank);
    QCOMPARE(image, expected);
}

void tst_MetafilePicture::failsOnDamagedMetafiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("opens");
    QTest::newRow("truncated emf") << emf().chopped(2) << false;
    QTest::newRow("wmf without end") << placeableHeader() + wmfHeader() + wmfDrawing() << false;
    QTest::newRow("emf header alone") << emfHeader() << false;
    // The header and the record sizes are sound; the record inside is not.
    QTest::newRow("emf record shorter than its kind")
        << emfHeader() + emfRecord(43, { 0 }) + emfEnd() << true;
}

void tst_MetafilePicture::failsOnDamagedMetafiles()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, opens);
    PictureFile picture;
    const bool opened = picture.open(write(QTest::currentDataTag(), data));
    QCOMPARE(opened, opens);
    if (opened)
        QVERIFY(picture.decode(QSize(40, 20)).isNull());
    QVERIFY(!picture.errorString().isEmpty());
}

void tst_MetafilePicture::fitsIntoShowLikeAnyPicture()
{
    // A picture twice as wide as high in a 9600 x 6000 twip client area: full width, a band
    // below, drawn at the device's pixel ratio.
    const FittedPicture picture = loadFittedPicture(write("fit.wmf", wmf()), 9600, 6000, 2.0);
    QCOMPARE(picture.size, QSize(640, 320));
    QCOMPARE(picture.image.size(), QSize(1280, 640));
    QCOMPARE(picture.image.pixelColor(320, 320), QColor(Qt::red));
    QVERIFY_THROWS_EXCEPTION(
        RuntimeError, loadFittedPicture(write("damaged.wmf", wmf().chopped(6)), 9600, 6000, 1.0));
}

QTEST_GUILESS_MAIN(tst_MetafilePicture)
#include "tst_MetafilePicture.moc"
