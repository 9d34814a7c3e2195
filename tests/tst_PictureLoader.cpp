// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/JpegDecoder.h"
#include "pictures/PictureAnimation.h"
#include "pictures/PictureFormats.h"
#include "pictures/PictureLoader.h"
#include "platform/DirectorySearch.h"
#include "tests/ImageBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

class tst_PictureLoader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readsByContent_data();
    void readsByContent();
    void appliesExifOrientation();
    void iconShowsLargestDeepestImage_data();
    void iconShowsLargestDeepestImage();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
    void refusesAbsurdSizesBeforeDecoding_data();
    void refusesAbsurdSizesBeforeDecoding();
    void decodesHugeBaselineJpegScaled();
    void picksFastCoveringJpegScale_data();
    void picksFastCoveringJpegScale();
    void jpegForDisplayAtCoveringScale_data();
    void jpegForDisplayAtCoveringScale();
    void jpegForDisplayFollowsEveryOrientation_data();
    void jpegForDisplayFollowsEveryOrientation();
    void refusesJpegSwappedAfterOpening();
    void animationRepeatsItsFramesWithDelays_data();
    void animationRepeatsItsFramesWithDelays();
    void formatPatternsMatchTheirFiles_data();
    void formatPatternsMatchTheirFiles();

private:
    QString write(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

namespace {

// Left half red, right half blue.
QImage twoColourImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    return image;
}

// Top left red, top right blue, bottom left green, bottom right yellow.
QImage fourColourImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            image.setPixel(x, y,
                bottom ? (right ? qRgb(255, 255, 0) : qRgb(0, 255, 0))
                       : (right ? qRgb(0, 0, 255) : qRgb(255, 0, 0)));
        }
    return image;
}

bool near(const QColor& actual, const QColor& expected)
{
    return qAbs(actual.red() - expected.red()) < 60 && qAbs(actual.green() - expected.green()) < 60
        && qAbs(actual.blue() - expected.blue()) < 60;
}

// An EXIF block with the orientation given (6: rotate 90 degrees clockwise to display).
QByteArray withExifOrientation(const QByteArray& jpeg, quint8 orientation = 6)
{
    QByteArray tiff = QByteArray::fromHex("49492a0008000000"
                                          "0100"
                                          "120103000100000006000000"
                                          "00000000");
    tiff[18] = char(orientation);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    const quint16 length = qToBigEndian<quint16>(quint16(payload.size() + 2));
    segment.append(reinterpret_cast<const char*>(&length), 2);
    segment.append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// An icon file holding the images given, each as stored in an icon: a BMP header of doubled
// height, then its colours and its transparency mask.
QByteArray iconFile(const QList<QByteArray>& images)
{
    QByteArray directory = QByteArray::fromHex("00000100");
    const quint16 count = qToLittleEndian<quint16>(quint16(images.size()));
    directory.append(reinterpret_cast<const char*>(&count), 2);
    QByteArray data;
    for (const QByteArray& image : images) {
        QByteArray entry(16, '\0');
        entry[0] = image[4]; // width and height below 256
        entry[1] = image[4];
        qToLittleEndian<quint16>(1, entry.data() + 4);
        entry[6] = image[14]; // bits per pixel
        qToLittleEndian<quint32>(quint32(image.size()), entry.data() + 8);
        qToLittleEndian<quint32>(quint32(6 + 16 * images.size() + data.size()), entry.data() + 12);
        directory.append(entry);
        data.append(image);
    }
    return directory + data;
}

// Qt writes an icon of one 32-bit image: its image, left half red and right half blue.
QByteArray qtIconImage(int side)
{
    const QByteArray single = ImageBytes::encode(twoColourImage(side, side), "ico");
    return single.mid(qFromLittleEndian<quint32>(single.constData() + 18),
        qFromLittleEndian<quint32>(single.constData() + 14));
}

// An icon image of 1 bit (black) or 24 bits (red, its left half masked out as transparent).
QByteArray iconImage(int side, quint16 bitCount)
{
    QByteArray image(40, '\0');
    qToLittleEndian<quint32>(40, image.data());
    qToLittleEndian<qint32>(side, image.data() + 4);
    qToLittleEndian<qint32>(2 * side, image.data() + 8);
    qToLittleEndian<quint16>(1, image.data() + 12);
    qToLittleEndian<quint16>(bitCount, image.data() + 14);
    if (bitCount == 1)
        image.append(QByteArray::fromHex("00000000ffffff00"));
    const int colourRow = (side * bitCount + 31) / 32 * 4;
    for (int y = 0; y < side; ++y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; bitCount == 24 && x < side; ++x)
            row[3 * x + 2] = char(0xff);
        image.append(row);
    }
    const int maskRow = (side + 31) / 32 * 4;
    for (int y = 0; y < side; ++y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < side / 2; ++x)
            row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        image.append(row);
    }
    return image;
}

// An SVG picture of 40 x 30, left half red and right half blue, with more elements.
QByteArray twoColourSvg(const QByteArray& more)
{
    return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
           " width='40' height='30'><rect width='20' height='30' fill='red'/>"
           "<rect x='20' width='20' height='30' fill='blue'/>"
        + more + "</svg>";
}

// A BMP header claiming 65535 x 65535 pixels of 24 bits, in 4 KB.
QByteArray absurdBmp()
{
    QByteArray bmp(4096, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(4096, bmp.data() + 2);
    qToLittleEndian<quint32>(54, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(65535, bmp.data() + 18);
    qToLittleEndian<qint32>(65535, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(24, bmp.data() + 28);
    return bmp;
}

} // namespace

void tst_PictureLoader::initTestCase() { QVERIFY(m_dir.isValid()); }

QString tst_PictureLoader::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void tst_PictureLoader::readsByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::newRow("bmp") << "a.bmp" << ImageBytes::encode(twoColourImage(40, 30), "bmp")
                         << QSize(40, 30);
    QTest::newRow("dib") << "a.dib" << ImageBytes::encode(twoColourImage(40, 30), "bmp")
                         << QSize(40, 30);
    QTest::newRow("jpg") << "a.jpg" << ImageBytes::encode(twoColourImage(40, 30), "jpeg")
                         << QSize(40, 30);
    QTest::newRow("progressive jpeg")
        << "a.jpeg" << ImageBytes::encode(twoColourImage(40, 30), "jpeg", true) << QSize(40, 30);
    QTest::newRow("gif") << "a.gif" << ImageBytes::twoPixelGif() << QSize(2, 1);
    QTest::newRow("ico") << "a.ico" << ImageBytes::encode(twoColourImage(32, 32), "ico")
                         << QSize(32, 32);
    QTest::newRow("tiff") << "a.tif" << ImageBytes::encode(twoColourImage(40, 30), "tiff")
                          << QSize(40, 30);
    QTest::newRow("webp") << "a.webp" << ImageBytes::encode(twoColourImage(40, 30), "webp")
                          << QSize(40, 30);
    QTest::newRow("svg") << "a.svg" << twoColourSvg("") << QSize(40, 30);
    QTest::newRow("svg with an embedded image")
        << "embedded.svg" << twoColourSvg("<image href=\"data:image/png;base64,AAAA\"/>")
        << QSize(40, 30);
    QTest::newRow("png named bmp")
        << "png-named.bmp" << ImageBytes::encode(twoColourImage(40, 30), "png") << QSize(40, 30);
    QTest::newRow("jpeg named gif")
        << "jpeg-named.gif" << ImageBytes::encode(twoColourImage(40, 30), "jpeg") << QSize(40, 30);
    QTest::newRow("no extension") << "photo" << ImageBytes::encode(twoColourImage(40, 30), "jpeg")
                                  << QSize(40, 30);
}

void tst_PictureLoader::readsByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    PictureFile picture;
    QVERIFY2(picture.open(write(name, bytes)), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), size);
    QVERIFY(!picture.isAnimated());
    const QImage image = picture.decode(QSize(20, 10));
    QCOMPARE(image.size(), QSize(20, 10));
    // Colours survive, left and right: the picture was really decoded.
    const QColor left = image.pixelColor(2, 5);
    const QColor right = image.pixelColor(17, 5);
    QVERIFY2(left.red() > 200 && left.blue() < 60, qPrintable(left.name()));
    QVERIFY2(right.blue() > 200 && right.red() < 60, qPrintable(right.name()));
}

void tst_PictureLoader::appliesExifOrientation()
{
    // Stored 40 wide and 20 high; displayed turned a quarter clockwise: 20 x 40, red on top.
    PictureFile picture;
    const QString path = write(QStringLiteral("rotated.jpg"),
        withExifOrientation(ImageBytes::encode(twoColourImage(40, 20), "jpeg")));
    QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), QSize(20, 40));
    const QImage image = picture.decode(QSize(10, 20));
    QCOMPARE(image.size(), QSize(10, 20));
    QVERIFY(image.pixelColor(5, 2).red() > 200);
    QVERIFY(image.pixelColor(5, 17).blue() > 200);
}

void tst_PictureLoader::iconShowsLargestDeepestImage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    QTest::newRow("largest of three sizes")
        << iconFile({ qtIconImage(16), qtIconImage(48), qtIconImage(32) }) << QSize(48, 48)
        << QColor(Qt::red) << QColor(Qt::blue);
    // Among images of one size the deepest; a 24-bit image's mask makes its left half
    // transparent.
    QTest::newRow("deepest of one size, masked")
        << iconFile({ iconImage(16, 1), iconImage(16, 24), iconImage(8, 24) }) << QSize(16, 16)
        << QColor(Qt::transparent) << QColor(Qt::red);
}

void tst_PictureLoader::iconShowsLargestDeepestImage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    PictureFile picture;
    QVERIFY2(
        picture.open(write(QStringLiteral("sizes.ico"), bytes)), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), size);
    const QImage image = picture.decode(size);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixelColor(size.width() / 4, size.height() / 2), left);
    QCOMPARE(image.pixelColor(3 * size.width() / 4, size.height() / 2), right);
}

void tst_PictureLoader::refusesUnreadableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text named jpg") << "damaged.jpg" << QByteArray("not a picture at all");
    QTest::newRow("empty file") << "empty.bmp" << QByteArray();
    QTest::newRow("bmp header only")
        << "truncated.bmp" << ImageBytes::encode(twoColourImage(40, 30), "bmp").left(20);
    // Reading another file could block the show (a FIFO) or reach anywhere.
    QTest::newRow("svg referring to an address")
        << "remote.svg" << twoColourSvg("<svg:image href = \"http://example.org/a.png\"/>");
    QTest::newRow("compressed svg") << "packed.svg" << qCompress(twoColourSvg("")).mid(4);
    QTest::newRow("zero width gif")
        << "zero.gif" << QByteArray::fromHex("47494638396100000100800000ff00000000ff3b");
}

void tst_PictureLoader::refusesUnreadableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    PictureFile picture;
    const QString path = write(name, bytes);
    if (picture.open(path))
        QVERIFY(picture.decode(QSize(10, 10)).isNull());
    QVERIFY(!picture.errorString().isEmpty());
}

void tst_PictureLoader::refusesAbsurdSizesBeforeDecoding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("opens");
    const QByteArray progressive = ImageBytes::encode(twoColourImage(64, 64), "jpeg", true);
    QTest::newRow("bmp claiming 65535x65535") << "absurd.bmp" << absurdBmp() << false;
    QTest::newRow("progressive claiming 20000x20000")
        << "absurd-progressive.jpg" << ImageBytes::withJpegFrameSize(progressive, 20000, 20000)
        << false;
    // Within the pixel budget, but its coefficients would need more memory than libjpeg may
    // take: the decoder gives up instead of allocating gigabytes.
    QTest::newRow("progressive claiming 16000x16000")
        << "large-progressive.jpg" << ImageBytes::withJpegFrameSize(progressive, 16000, 16000)
        << true;
}

void tst_PictureLoader::refusesAbsurdSizesBeforeDecoding()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, opens);
    QVERIFY(!bytes.isEmpty());
    PictureFile picture;
    QCOMPARE(picture.open(write(name, bytes)), opens);
    if (opens)
        QVERIFY(picture.decode(QSize(1920, 1920)).isNull());
    QVERIFY(!picture.errorString().isEmpty());
}

void tst_PictureLoader::decodesHugeBaselineJpegScaled()
{
    // 100 megapixels: decoded straight at screen size.
    QImage huge(10000, 10000, QImage::Format_Grayscale8);
    huge.fill(200);
    const QString path = write(QStringLiteral("huge.jpg"), ImageBytes::encode(huge, "jpeg"));
    huge = QImage();
    PictureFile picture;
    QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
    QCOMPARE(picture.naturalSize(), QSize(10000, 10000));
    const QImage image = picture.decode(QSize(1080, 1080));
    QCOMPARE(image.size(), QSize(1080, 1080));
    QVERIFY(qAbs(qGray(image.pixel(500, 500)) - 200) < 8);
}

void tst_PictureLoader::picksFastCoveringJpegScale_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<int>("scale");
    QTest::newRow("100 MP into 1920x1080: 2/8") << QSize(12240, 8160) << QSize(1620, 1080) << 2;
    QTest::newRow("24 MP: 4/8, as 3/8 has no fast code")
        << QSize(6000, 4000) << QSize(1620, 1080) << 4;
    QTest::newRow("exactly 1/8") << QSize(800, 600) << QSize(100, 75) << 1;
    QTest::newRow("one pixel more than 1/8") << QSize(800, 600) << QSize(101, 75) << 2;
    QTest::newRow("rounded up at 1/8") << QSize(801, 601) << QSize(101, 76) << 1;
    QTest::newRow("2 MP: full size") << QSize(1728, 1152) << QSize(1620, 1080) << 8;
    QTest::newRow("smaller than wanted: full size") << QSize(640, 480) << QSize(1440, 1080) << 8;
}

void tst_PictureLoader::picksFastCoveringJpegScale()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, wanted);
    QFETCH(int, scale);
    QCOMPARE(JpegDecoder::scaleFor(stored, wanted), scale);
}

void tst_PictureLoader::jpegForDisplayAtCoveringScale_data()
{
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("decoded");
    for (const bool progressive : { false, true }) {
        const char* kind = progressive ? "progressive" : "baseline";
        QTest::addRow("%s, 1/8 exactly", kind) << progressive << QSize(100, 75) << QSize(100, 75);
        QTest::addRow("%s, 2/8 covers", kind) << progressive << QSize(120, 90) << QSize(200, 150);
        QTest::addRow("%s, 4/8 covers", kind) << progressive << QSize(300, 225) << QSize(400, 300);
        QTest::addRow("%s, enlarged: full size", kind)
            << progressive << QSize(1600, 1200) << QSize(800, 600);
        // Even 1/8 is more than twice the size: scaled down to it.
        QTest::addRow("%s, far smaller", kind) << progressive << QSize(40, 30) << QSize(40, 30);
    }
}

void tst_PictureLoader::jpegForDisplayAtCoveringScale()
{
    QFETCH(bool, progressive);
    QFETCH(QSize, wanted);
    QFETCH(QSize, decoded);
    const QString path = write(QStringLiteral("covering.jpg"),
        ImageBytes::encode(fourColourImage(800, 600), "jpeg", progressive));
    PictureFile picture;
    QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
    const QImage image = picture.decodeForDisplay(wanted);
    QCOMPARE(image.size(), decoded);
    QCOMPARE(image.format(), QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    QVERIFY(near(image.pixelColor(w / 4, h / 4), Qt::red));
    QVERIFY(near(image.pixelColor(3 * w / 4, h / 4), Qt::blue));
    QVERIFY(near(image.pixelColor(w / 4, 3 * h / 4), Qt::green));
    QVERIFY(near(image.pixelColor(3 * w / 4, 3 * h / 4), Qt::yellow));
}

void tst_PictureLoader::jpegForDisplayFollowsEveryOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QColor>("topLeft");
    QTest::addColumn<QColor>("topRight");
    QTest::addColumn<QColor>("bottomLeft");
    // Stored: red, blue over green, yellow.
    QTest::newRow("1 as stored") << 1 << QColor(Qt::red) << QColor(Qt::blue) << QColor(Qt::green);
    QTest::newRow("2 mirrored") << 2 << QColor(Qt::blue) << QColor(Qt::red) << QColor(Qt::yellow);
    QTest::newRow("3 turned 180") << 3 << QColor(Qt::yellow) << QColor(Qt::green)
                                  << QColor(Qt::blue);
    QTest::newRow("4 flipped") << 4 << QColor(Qt::green) << QColor(Qt::yellow) << QColor(Qt::red);
    QTest::newRow("5 transposed") << 5 << QColor(Qt::red) << QColor(Qt::green) << QColor(Qt::blue);
    QTest::newRow("6 turned 90 clockwise")
        << 6 << QColor(Qt::green) << QColor(Qt::red) << QColor(Qt::yellow);
    QTest::newRow("7 transversed")
        << 7 << QColor(Qt::yellow) << QColor(Qt::blue) << QColor(Qt::green);
    QTest::newRow("8 turned 90 counter-clockwise")
        << 8 << QColor(Qt::blue) << QColor(Qt::yellow) << QColor(Qt::red);
}

void tst_PictureLoader::jpegForDisplayFollowsEveryOrientation()
{
    QFETCH(int, orientation);
    QFETCH(QColor, topLeft);
    QFETCH(QColor, topRight);
    QFETCH(QColor, bottomLeft);
    const QString path = write(QStringLiteral("oriented.jpg"),
        withExifOrientation(
            ImageBytes::encode(fourColourImage(160, 80), "jpeg"), quint8(orientation)));
    PictureFile picture;
    QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
    const QSize natural = orientation >= 5 ? QSize(80, 160) : QSize(160, 80);
    QCOMPARE(picture.naturalSize(), natural);
    // Half the natural size: decoded at 4/8 and turned, with no final scale.
    const QImage image = picture.decodeForDisplay(natural / 2);
    QCOMPARE(image.size(), natural / 2);
    const int w = image.width();
    const int h = image.height();
    QVERIFY(near(image.pixelColor(w / 4, h / 4), topLeft));
    QVERIFY(near(image.pixelColor(3 * w / 4, h / 4), topRight));
    QVERIFY(near(image.pixelColor(w / 4, 3 * h / 4), bottomLeft));
}

void tst_PictureLoader::refusesJpegSwappedAfterOpening()
{
    const QString path =
        write(QStringLiteral("swapped.jpg"), ImageBytes::encode(twoColourImage(40, 30), "jpeg"));
    PictureFile picture;
    QVERIFY2(picture.open(path), qPrintable(picture.errorString()));
    // A far larger picture under the same name after the header was checked.
    QVERIFY(
        !write(QStringLiteral("swapped.jpg"), ImageBytes::encode(twoColourImage(4000, 30), "jpeg"))
             .isEmpty());
    QVERIFY(picture.decodeForDisplay(QSize(40, 30)).isNull());
    QVERIFY(!picture.errorString().isEmpty());
}

void tst_PictureLoader::animationRepeatsItsFramesWithDelays_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QColor>>("rightPixels");
    QTest::addColumn<QList<int>>("delays");
    QTest::newRow("two frames, again from the first")
        << ImageBytes::twoFrameGif() << QList<QColor> { Qt::red, Qt::blue, Qt::red, Qt::blue }
        << QList<int> { 50, 100, 50, 100 };
    QImage red(2, 1, QImage::Format_RGB32);
    red.fill(Qt::red);
    QTest::newRow("webp, two frames")
        << ImageBytes::animatedWebp({ red, twoColourImage(2, 1) })
        << QList<QColor> { Qt::red, Qt::blue, Qt::red, Qt::blue } << QList<int> { 50, 50, 50, 50 };
    QTest::newRow("still") << ImageBytes::twoPixelGif() << QList<QColor> { Qt::blue }
                           << QList<int> { 100 };
}

void tst_PictureLoader::animationRepeatsItsFramesWithDelays()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QColor>, rightPixels);
    QFETCH(QList<int>, delays);
    PictureFile picture;
    QVERIFY(picture.open(write(QStringLiteral("animated.gif"), bytes)));
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
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format");
    QTest::newRow("jpg") << "beach.jpg"
                         << "JPG";
    QTest::newRow("jpeg in capitals") << "BEACH.JPEG"
                                      << "JPG";
    QTest::newRow("jpe") << "beach.jpe"
                         << "JPG";
    QTest::newRow("tif") << "scan.TIF"
                         << "TIFF";
    QTest::newRow("tiff") << "scan.tiff"
                          << "TIFF";
    QTest::newRow("heic") << "IMG_0001.HEIC"
                          << "HEIC";
    QTest::newRow("heif") << "photo.heif"
                          << "HEIC";
    QTest::newRow("webp") << "download.webp"
                          << "WEBP";
    QTest::newRow("dib") << "old.dib"
                         << "DIB";
    QTest::newRow("compressed svg") << "drawing.svgz"
                                    << "";
    QTest::newRow("text") << "notes.txt"
                          << "";
}

void tst_PictureLoader::formatPatternsMatchTheirFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, format);
    QStringList matching;
    for (const PictureFormat& candidate : pictureFormats()) {
        for (const QString& pattern : candidate.patterns) {
            if (DirectorySearch::matches(pattern, name))
                matching << candidate.name;
        }
    }
    QCOMPARE(matching, format.isEmpty() ? QStringList() : QStringList { format });
    QCOMPARE(DirectorySearch::matches(allPicturePatterns().join(u';'), name), !format.isEmpty());
}

QTEST_GUILESS_MAIN(tst_PictureLoader)
#include "tst_PictureLoader.moc"
