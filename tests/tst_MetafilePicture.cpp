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
    QTest::newRow("emf") << "picture.emf" << emf() << QSize(38, 19);
    QTest::newRow("wmf") << "picture.wmf" << placeableWmf() << QSize(100, 50);
    QTest::newRow("emf named as a photo") << "photo.jpg" << emf() << QSize(38, 19);
    QTest::newRow("wmf without extension") << "drawing" << wmf() << QSize(100, 50);
}

void tst_MetafilePicture::drawsMetafiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, naturalSize);
    PictureFile picture;
    QVERIFY2(picture.open(write(name, data)), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), naturalSize);
    const QImage image = picture.decode(QSize(300, 150));
    QVERIFY2(!image.isNull(), qPrintable(picture.errorString()));
    QCOMPARE(image.size(), QSize(300, 150));
    QCOMPARE(image.pixelColor(75, 75), QColor(Qt::red));
    QCOMPARE(image.pixelColor(225, 75).alpha(), 0);
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
