// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/ColourProfile.h"
#include "pictures/PictureAnimation.h"
#include "pictures/PictureFormats.h"
#include "pictures/PictureLoader.h"
#include "platform/DirectorySearch.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// How far a damaged or hostile file gets.
enum class Refusal {
    AtOpen, // refused from its header: nothing decoded, nothing allocated for its pixels
    AtDecode, // a sound header, pixels that cannot be decoded
    Drawn, // damage some decoders draw past: only a crash would be a fault
};
Q_DECLARE_METATYPE(Refusal)

class tst_PictureLoader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readsByContent_data();
    void readsByContent();
    void followsExifOrientation_data();
    void followsExifOrientation();
    void refusesHostileFiles_data();
    void refusesHostileFiles();
    void decodesJpegAtCoveringScale_data();
    void decodesJpegAtCoveringScale();
    void refusesJpegSwappedAfterOpening();
    void animationRepeatsItsFramesWithDelays_data();
    void animationRepeatsItsFramesWithDelays();
    void formatPatternsMatchTheirFiles_data();
    void formatPatternsMatchTheirFiles();
    void convertsEmbeddedProfiles_data();
    void convertsEmbeddedProfiles();

private:
    QTemporaryDir m_dir;
};

namespace {

QString sample(const QString& name) { return QStringLiteral(SLIDEWELL_TEST_DATA "/") + name; }

// The sample pictures: top left red, top right blue, bottom left green, bottom right yellow; the
// metafiles: the left half red, the right half transparent.
const QList<QColor> quadrants { Qt::red, Qt::blue, Qt::green, Qt::yellow };
const QList<QColor> halves { Qt::red, Qt::transparent, Qt::red, Qt::transparent };

// The colours in the middle of the image's quarters, each channel rounded to none or full.
QList<QColor> quarters(const QImage& image)
{
    const auto full = [](int value) { return value < 128 ? 0 : 255; };
    QList<QColor> colours;
    for (const QPoint& at : { QPoint(1, 1), QPoint(3, 1), QPoint(1, 3), QPoint(3, 3) }) {
        const QColor c = image.pixelColor(at.x() * image.width() / 4, at.y() * image.height() / 4);
        colours << QColor(full(c.red()), full(c.green()), full(c.blue()), full(c.alpha()));
    }
    return colours;
}

} // namespace

void tst_PictureLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The tests run from their own folder; the metafile helper is built next to the program.
    qputenv("SLIDEWELL_METAFILE_HELPER",
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/../slidewell-metafile"));
}

void tst_PictureLoader::readsByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QColor>>("colours");
    const QSize size(40, 30);
    QTest::newRow("bmp") << "pictures/quadrants.bmp" << size << quadrants;
    QTest::newRow("bmp stored top down") << "pictures/quadrants-top-down.bmp" << size << quadrants;
    QTest::newRow("bmp, rle") << "pictures/quadrants-rle.bmp" << size << quadrants;
    QTest::newRow("jpeg") << "pictures/quadrants.jpg" << size << quadrants;
    QTest::newRow("progressive jpeg") << "pictures/quadrants-progressive.jpg" << size << quadrants;
    QTest::newRow("png") << "pictures/quadrants.png" << size << quadrants;
    QTest::newRow("gif") << "pictures/quadrants.gif" << size << quadrants;
    QTest::newRow("ico") << "pictures/quadrants.ico" << size << quadrants;
    // Images of 8, 16 and 12 pixels, each left half red and right half blue: the largest.
    QTest::newRow("ico of three sizes") << "pictures/largest-of-three.ico" << QSize(16, 16)
                                        << QList<QColor> { Qt::red, Qt::blue, Qt::red, Qt::blue };
    // 1-bit black and 24-bit red images of 16 pixels, a 24-bit one of 8: the deepest of the
    // largest, its mask making its left half transparent.
    QTest::newRow("ico of two depths, masked")
        << "pictures/deepest-masked.ico" << QSize(16, 16)
        << QList<QColor> { Qt::transparent, Qt::red, Qt::transparent, Qt::red };
    QTest::newRow("tiff") << "pictures/quadrants.tif" << size << quadrants;
    QTest::newRow("webp") << "pictures/quadrants.webp" << size << quadrants;
    QTest::newRow("avif") << "pictures/quadrants.avif" << size << quadrants;
    QTest::newRow("heic") << "pictures/quadrants.heic" << size << quadrants;
    QTest::newRow("svg") << "pictures/quadrants.svg" << size << quadrants;
    QTest::newRow("svg with an embedded image")
        << "pictures/embedded-image.svg" << size << quadrants;
    // 10 x 5 mm at 96 pixels per inch; 100 x 50 units at 96 per inch.
    QTest::newRow("emf") << "metafiles/frame.emf" << QSize(38, 19) << halves;
    QTest::newRow("wmf") << "metafiles/placeable.wmf" << QSize(100, 50) << halves;
    QTest::newRow("png named bmp") << "pictures/png-named.bmp" << size << quadrants;
    QTest::newRow("jpeg named gif") << "pictures/jpeg-named.gif" << size << quadrants;
    QTest::newRow("no extension") << "pictures/jpeg-without-extension" << size << quadrants;
}

void tst_PictureLoader::readsByContent()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QList<QColor>, colours);
    PictureFile picture;
    QVERIFY2(picture.open(sample(name)), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), size);
    QVERIFY(!picture.isAnimated());
    const QImage image = picture.decode(QSize(24, 16));
    QCOMPARE(image.size(), QSize(24, 16));
    QCOMPARE(quarters(image), colours);
}

void tst_PictureLoader::followsExifOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QList<QColor>>("colours");
    // Stored 160 x 80: red, blue over green, yellow.
    QTest::newRow("1 as stored") << 1 << quadrants;
    QTest::newRow("2 mirrored") << 2 << QList<QColor> { Qt::blue, Qt::red, Qt::yellow, Qt::green };
    QTest::newRow("3 turned 180") << 3
                                  << QList<QColor> { Qt::yellow, Qt::green, Qt::blue, Qt::red };
    QTest::newRow("4 flipped") << 4 << QList<QColor> { Qt::green, Qt::yellow, Qt::red, Qt::blue };
    QTest::newRow("5 transposed") << 5
                                  << QList<QColor> { Qt::red, Qt::green, Qt::blue, Qt::yellow };
    QTest::newRow("6 turned 90 clockwise")
        << 6 << QList<QColor> { Qt::green, Qt::red, Qt::yellow, Qt::blue };
    QTest::newRow("7 transversed")
        << 7 << QList<QColor> { Qt::yellow, Qt::blue, Qt::green, Qt::red };
    QTest::newRow("8 turned 90 counter-clockwise")
        << 8 << QList<QColor> { Qt::blue, Qt::yellow, Qt::red, Qt::green };
}

void tst_PictureLoader::followsExifOrientation()
{
    QFETCH(int, orientation);
    QFETCH(QList<QColor>, colours);
    PictureFile picture;
    QVERIFY2(picture.open(sample(QStringLiteral("pictures/orientation-%1.jpg").arg(orientation))),
        qPrintable(picture.errorString()));
    const QSize natural = orientation >= 5 ? QSize(80, 160) : QSize(160, 80);
    QCOMPARE(picture.naturalSize(), natural);
    // Half the natural size: decoded at 4/8 and turned, with no final scale.
    const QImage image = picture.decodeForDisplay(natural / 2);
    QCOMPARE(image.size(), natural / 2);
    QCOMPARE(quarters(image), colours);
}

void tst_PictureLoader::refusesHostileFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Refusal>("refusal");
    const auto row = [](const char* name, Refusal refusal) {
        QTest::newRow(name) << QString::fromLatin1(name) << refusal;
    };
    // Absurd sizes claimed in headers: refused before any pixel is decoded.
    row("bmp-65535x65535.bmp", Refusal::AtOpen);
    row("bmp-minus-2147483648-high.bmp", Refusal::AtOpen);
    row("png-100000x100000.png", Refusal::AtOpen); // with a valid checksum
    row("gif-screen-65535x65535.gif", Refusal::AtOpen);
    row("gif-frame-65535x65535.gif", Refusal::Drawn); // on a screen of 2 x 1
    row("zero-width.gif", Refusal::AtOpen);
    row("ico-holding-png-100000x100000.ico", Refusal::AtOpen);
    row("ico-65535-images.ico", Refusal::AtOpen); // in 38 bytes
    row("ico-65535x65535.ico", Refusal::AtOpen);
    row("jpeg-65500x65500.jpg", Refusal::AtOpen);
    row("progressive-20000x20000.jpg", Refusal::AtOpen);
    // Within the pixel budget, but its coefficients would need more memory than libjpeg may
    // take: the decoder gives up instead of allocating gigabytes.
    row("progressive-16000x16000.jpg", Refusal::AtDecode);
    row("ppm-60000x60000.ppm", Refusal::AtOpen);
    // A metafile is read whole before it is drawn: frame.emf grown above 256 MB is refused.
    row("emf-grown", Refusal::AtOpen);

    row("empty.bmp", Refusal::AtOpen);
    row("text-named.jpg", Refusal::AtOpen);
    row("bmp-header-only.bmp", Refusal::AtOpen);
    // Reading another file could block the show (a FIFO) or reach anywhere.
    row("remote.svg", Refusal::AtOpen);
    row("compressed.svg", Refusal::AtOpen);

    // The first half of each file, or its middle third overwritten.
    row("truncated.bmp", Refusal::AtOpen);
    row("truncated.jpg", Refusal::AtOpen);
    row("truncated-progressive.jpg", Refusal::Drawn);
    row("truncated.png", Refusal::AtDecode);
    row("truncated.gif", Refusal::AtOpen);
    row("truncated.ico", Refusal::Drawn);
    row("../metafiles/truncated.emf", Refusal::AtOpen);
    row("../metafiles/truncated.wmf", Refusal::AtOpen);
    row("corrupted.bmp", Refusal::Drawn);
    row("corrupted.jpg", Refusal::AtOpen);
    row("corrupted-progressive.jpg", Refusal::AtDecode);
    row("corrupted.png", Refusal::AtOpen);
    row("corrupted.gif", Refusal::Drawn);
    row("corrupted.ico", Refusal::Drawn);
    row("../metafiles/corrupted.emf", Refusal::AtOpen);
    row("../metafiles/corrupted.wmf", Refusal::AtOpen);
}

void tst_PictureLoader::refusesHostileFiles()
{
    QFETCH(QString, name);
    QFETCH(Refusal, refusal);
    QString path = sample("pictures/" + name);
    if (name == "emf-grown") {
        // Sparse: no disk is used for the bytes after the end record.
        path = m_dir.filePath(name);
        QFile::remove(path);
        QVERIFY(QFile::copy(sample(QStringLiteral("metafiles/frame.emf")), path));
        QFile grown(path);
        QVERIFY(grown.open(QIODevice::ReadWrite) && grown.resize(256 * 1024 * 1024 + 1));
    }
    PictureFile picture;
    const bool opened = picture.open(path);
    QCOMPARE(opened, refusal != Refusal::AtOpen);
    if (opened)
        QCOMPARE(picture.decode(QSize(1920, 1080)).isNull(), refusal == Refusal::AtDecode);
    QCOMPARE(picture.errorString().isEmpty(), refusal == Refusal::Drawn);
}

void tst_PictureLoader::decodesJpegAtCoveringScale_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("decoded");
    // Stored 800 x 600. Only the scales 1/8, 2/8, 4/8 and 8/8 have fast code.
    for (const char* name : { "covering.jpg", "covering-progressive.jpg" }) {
        QTest::addRow("%s, 1/8 exactly", name) << name << QSize(100, 75) << QSize(100, 75);
        QTest::addRow("%s, a pixel more each way: 2/8", name)
            << name << QSize(101, 76) << QSize(200, 150);
        QTest::addRow("%s, 3/8 exactly: 4/8", name) << name << QSize(300, 225) << QSize(400, 300);
        QTest::addRow("%s, enlarged: full size", name)
            << name << QSize(1600, 1200) << QSize(800, 600);
        // Even 1/8 is more than twice the size: scaled down to it.
        QTest::addRow("%s, far smaller", name) << name << QSize(40, 30) << QSize(40, 30);
    }
}

void tst_PictureLoader::decodesJpegAtCoveringScale()
{
    QFETCH(QString, name);
    QFETCH(QSize, wanted);
    QFETCH(QSize, decoded);
    PictureFile picture;
    QVERIFY2(picture.open(sample("pictures/" + name)), qPrintable(picture.errorString()));
    const QImage image = picture.decodeForDisplay(wanted);
    QCOMPARE(image.size(), decoded);
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(quarters(image), quadrants);
}

void tst_PictureLoader::refusesJpegSwappedAfterOpening()
{
    const QString path = m_dir.filePath(QStringLiteral("swapped.jpg"));
    QVERIFY(QFile::copy(sample(QStringLiteral("pictures/quadrants.jpg")), path));
    PictureFile picture;
    QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
    // A larger picture under the same name after the header was checked.
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(sample(QStringLiteral("pictures/covering.jpg")), path));
    QVERIFY(picture.decodeForDisplay(QSize(40, 30)).isNull());
    QVERIFY(!picture.errorString().isEmpty());
}

void tst_PictureLoader::animationRepeatsItsFramesWithDelays_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<QColor>>("rightPixels");
    QTest::addColumn<QList<int>>("delays");
    // 2 x 1: red (50 ms), then blue on the right (no delay given: 100 ms).
    QTest::newRow("gif, two frames, again from the first")
        << "two-frames.gif" << QList<QColor> { Qt::red, Qt::blue, Qt::red, Qt::blue }
        << QList<int> { 50, 100, 50, 100 };
    QTest::newRow("webp, two frames")
        << "two-frames.webp" << QList<QColor> { Qt::red, Qt::blue, Qt::red, Qt::blue }
        << QList<int> { 50, 50, 50, 50 };
    // Frames of less than 20 ms are shown for 100 ms.
    QTest::newRow("webp, frames of 10 ms")
        << "two-fast-frames.webp" << QList<QColor> { Qt::red, Qt::blue, Qt::red, Qt::blue }
        << QList<int> { 100, 100, 100, 100 };
    QTest::newRow("still") << "still.gif" << QList<QColor> { Qt::blue } << QList<int> { 100 };
}

void tst_PictureLoader::animationRepeatsItsFramesWithDelays()
{
    QFETCH(QString, name);
    QFETCH(QList<QColor>, rightPixels);
    QFETCH(QList<int>, delays);
    PictureFile picture;
    QVERIFY2(picture.open(sample("pictures/" + name)), qPrintable(picture.errorString()));
    QCOMPARE(picture.isAnimated(), rightPixels.size() > 1);
    // Shown at twice the size: frames come scaled.
    PictureAnimation animation(picture, QSize(4, 2));
    QImage frame;
    int delay = 0;
    for (qsizetype i = 0; i < rightPixels.size(); ++i) {
        QVERIFY(animation.next(&frame, &delay));
        QCOMPARE(frame.size(), QSize(4, 2));
        QCOMPARE(frame.pixelColor(3, 1), rightPixels.at(i));
        QCOMPARE(delay, delays.at(i));
    }
    if (rightPixels.size() == 1)
        QVERIFY(!animation.next(&frame, &delay));
}

void tst_PictureLoader::formatPatternsMatchTheirFiles_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("format");
    QTest::newRow("bmp") << QStringList { "a.bmp", "A.BMP" } << "BMP";
    QTest::newRow("dib") << QStringList { "a.dib", "A.DIB" } << "DIB";
    QTest::newRow("emf") << QStringList { "a.emf", "A.EMF" } << "EMF";
    QTest::newRow("gif") << QStringList { "a.gif", "A.GIF" } << "GIF";
    QTest::newRow("ico") << QStringList { "a.ico", "A.ICO" } << "ICO";
    QTest::newRow("jpeg") << QStringList { "a.jpg", "A.JPEG", "a.jpe" } << "JPG";
    QTest::newRow("wmf") << QStringList { "a.wmf", "A.WMF" } << "WMF";
    QTest::newRow("png") << QStringList { "a.png", "A.PNG" } << "PNG";
    QTest::newRow("tiff") << QStringList { "a.tif", "A.TIFF" } << "TIFF";
    QTest::newRow("webp") << QStringList { "a.webp", "A.WEBP" } << "WEBP";
    QTest::newRow("avif") << QStringList { "a.avif", "A.AVIF" } << "AVIF";
    QTest::newRow("heic") << QStringList { "IMG_0001.HEIC", "a.heif" } << "HEIC";
    QTest::newRow("svg") << QStringList { "a.svg", "A.SVG" } << "SVG";
    QTest::newRow("others") << QStringList { "drawing.svgz", "notes.txt", "bmp" } << "";
}

void tst_PictureLoader::formatPatternsMatchTheirFiles()
{
    QFETCH(QStringList, names);
    QFETCH(QString, format);
    for (const QString& name : names) {
        QStringList matching;
        for (const PictureFormat& candidate : pictureFormats()) {
            for (const QString& pattern : candidate.patterns) {
                if (DirectorySearch::matches(pattern, name))
                    matching << candidate.name;
            }
        }
        QCOMPARE(matching, format.isEmpty() ? QStringList() : QStringList { format });
        // "All Pictures" matches them all.
        QCOMPARE(
            DirectorySearch::matches(allPicturePatterns().join(u';'), name), !format.isEmpty());
    }
}

QTEST_GUILESS_MAIN(tst_PictureLoader)
#include "tst_PictureLoader.moc"

void tst_PictureLoader::convertsEmbeddedProfiles_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("shown");
    // A red patch stored under a profile whose red and green primaries are swapped is green.
    for (const QByteArray format : { "jpg", "png", "tif" }) {
        QTest::newRow(format + ", swapped primaries")
            << format << QByteArray() << true << QColor(Qt::green);
        QTest::newRow(format + ", turned off")
            << format << QByteArray() << false << QColor(Qt::red);
    }
    // Profiles that cannot be used leave the stored numbers, shown as sRGB.
    QTest::newRow("garbage profile")
        << QByteArray() << QByteArray("not a profile") << true << QColor(Qt::red);
    QTest::newRow("truncated profile")
        << QByteArray() << QByteArray("truncated") << true << QColor(Qt::red);
    QTest::newRow("profile over 4 MB")
        << QByteArray() << QByteArray("huge") << true << QColor(Qt::red);
}

void tst_PictureLoader::convertsEmbeddedProfiles()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, damage);
    QFETCH(bool, enabled);
    QFETCH(QColor, shown);
    // D65 white, sRGB's red and green primaries exchanged.
    const QColorSpace swapped(QPointF(0.3127, 0.3290), QPointF(0.30, 0.60), QPointF(0.64, 0.33),
        QPointF(0.15, 0.06), QColorSpace::TransferFunction::SRgb);
    QImage stored(16, 16, QImage::Format_RGB32);
    stored.fill(Qt::red);
    stored.setColorSpace(swapped);
    ColourProfile::setEnabled(enabled);
    QImage image;
    if (format.isEmpty()) {
        QByteArray icc = swapped.iccProfile();
        if (damage == "truncated")
            icc.chop(icc.size() / 2);
        else if (damage == "huge")
            icc.append(QByteArray(ColourProfile::largestProfile, '\0'));
        else
            icc = damage;
        image = stored.convertToFormat(QImage::Format_RGB32);
        ColourProfile::convert(&image, ColourDescription { icc });
    } else {
        const QString path = m_dir.filePath("swapped." + format);
        QVERIFY(stored.save(path));
        PictureFile picture;
        QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
        image = picture.decode(QSize(16, 16));
    }
    ColourProfile::setEnabled(true);
    QCOMPARE(quarters(image), QList<QColor>(4, shown));
}
