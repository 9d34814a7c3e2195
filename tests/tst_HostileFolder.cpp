// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "tests/ImageBytes.h"
#include "ui_SlidewellForm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <linux/capability.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

// What a show makes of an entry of its folder.
enum class Outcome {
    Shown, // the picture appears
    Background, // named in the caption, the background shows for one interval
    Skipped, // never part of the show
    Either, // damaged content some decoders still draw: only crashes and stalls matter here
};
Q_DECLARE_METATYPE(Outcome)

enum class Entry { File, Fifo, Socket, DeviceLink, Directory, DanglingLink, LinkLoop, Unreadable };
Q_DECLARE_METATYPE(Entry)

class tst_HostileFolder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hostileEntryNeverStopsTheShow_data();
    void hostileEntryNeverStopsTheShow();
    void fileDeletedBetweenSearchAndLoad();
    void folderChangesDuringShow_data();
    void folderChangesDuringShow();

private:
    void startShow();
    void stopShow();
    bool write(const QByteArray& name, const QByteArray& bytes);

    bool m_permissionsBind = false;
    QTemporaryDir m_fixtures;
    QTemporaryDir* m_dir = nullptr;
    QTemporaryDir* m_config = nullptr;
    QList<QString> m_messages;
    QList<int> m_choices;
    SlidewellForm* m_form = nullptr;
};

namespace {

QImage sample()
{
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

QByteArray testData(const QString& name)
{
    QFile file(QStringLiteral(SLIDEWELL_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first half of the file, or its middle overwritten.
QByteArray truncated(const QByteArray& bytes) { return bytes.left(bytes.size() / 2); }
QByteArray corrupted(QByteArray bytes)
{
    for (qsizetype i = bytes.size() / 3; i < bytes.size() * 2 / 3; i += 3)
        bytes[i] = char(bytes[i] ^ 0x5a);
    return bytes;
}

QByteArray bmpClaiming(qint32 width, qint32 height)
{
    QByteArray bmp(256, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(256, bmp.data() + 2);
    qToLittleEndian<quint32>(54, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(24, bmp.data() + 28);
    return bmp;
}

QByteArray gifClaiming(quint16 width, quint16 height)
{
    QByteArray bytes = ImageBytes::twoPixelGif();
    qToLittleEndian<quint16>(width, bytes.data() + 6);
    qToLittleEndian<quint16>(height, bytes.data() + 8);
    qToLittleEndian<quint16>(width, bytes.data() + 24);
    qToLittleEndian<quint16>(height, bytes.data() + 26);
    return bytes;
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header chunk, with a valid checksum, claims the size.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray png = ImageBytes::encode(sample(), "png");
    qToBigEndian<quint32>(width, png.data() + 16);
    qToBigEndian<quint32>(height, png.data() + 20);
    qToBigEndian<quint32>(crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}

// A GIF of a small screen whose one frame claims the size.
QByteArray gifFrameClaiming(quint16 width, quint16 height)
{
    QByteArray bytes = ImageBytes::twoPixelGif();
    qToLittleEndian<quint16>(width, bytes.data() + 24);
    qToLittleEndian<quint16>(height, bytes.data() + 26);
    return bytes;
}

// An icon of one image stored as PNG data.
QByteArray iconHoldingPng(const QByteArray& png)
{
    QByteArray icon = QByteArray::fromHex("000001000100000000000100200000000000"
                                          "16000000");
    qToLittleEndian<quint32>(quint32(png.size()), icon.data() + 14);
    return icon + png;
}

// An icon directory of 65535 entries in a file of a few bytes, and an icon whose bitmap claims
// 65535 x 65535 pixels.
QByteArray iconCountBomb() { return QByteArray::fromHex("00000100ffff") + QByteArray(32, '\0'); }
QByteArray iconSizeBomb()
{
    const QByteArray icon = QByteArray::fromHex("000001000100"
                                                "000000000100200068000000"
                                                "16000000");
    QByteArray header(40, '\0');
    qToLittleEndian<quint32>(40, header.data());
    qToLittleEndian<qint32>(65535, header.data() + 4);
    qToLittleEndian<qint32>(131070, header.data() + 8);
    qToLittleEndian<quint16>(1, header.data() + 12);
    qToLittleEndian<quint16>(32, header.data() + 14);
    return icon + header + QByteArray(64, '\0');
}

// As a user without the capability to bypass file permissions: a file that may not be read
// cannot be read, even when the tests run as root.
bool dropPermissionOverride()
{
    if (geteuid() != 0)
        return true;
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    return syscall(SYS_capset, &header, data) == 0;
}

bool makeSocket(const QByteArray& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    qstrcpy(address.sun_path, path.constData());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return bound;
}

} // namespace

void tst_HostileFolder::initTestCase()
{
    m_permissionsBind = dropPermissionOverride();
    QVERIFY(m_fixtures.isValid());
    // The tests run from their own folder; the metafile helper is built next to the program.
    qputenv("SLIDEWELL_METAFILE_HELPER",
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/../slidewell-metafile"));
    QCOMPARE(mkfifo(QFile::encodeName(m_fixtures.filePath(QStringLiteral("fifo.png"))), 0600), 0);
}

void tst_HostileFolder::init()
{
    m_messages.clear();
    m_choices.clear();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_config = new QTemporaryDir;
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void tst_HostileFolder::cleanup()
{
    delete m_form;
    m_form = nullptr;
    QDir::setCurrent(QDir::tempPath());
    if (m_dir)
        chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
    delete m_dir;
    m_dir = nullptr;
    delete m_config;
    m_config = nullptr;
}

bool tst_HostileFolder::write(const QByteArray& name, const QByteArray& bytes)
{
    QFile file(QFile::decodeName(QFile::encodeName(m_dir->path()) + '/' + name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void tst_HostileFolder::startShow()
{
    FormServices services;
    services.messageBox = [this](QWidget*, const QString& text, const QString&, int) {
        m_messages.append(text);
    };
    services.trackPopupMenu = [this](QWidget*, const QList<PopupMenuItem>&, const QPoint&) {
        return m_choices.isEmpty() ? 0 : m_choices.takeFirst();
    };
    services.cursorPos = [] { return QPoint(10, 10); };
    m_form = new SlidewellForm(QStringList { QStringLiteral("slidewell") }, services);
    Ui::SlidewellForm* ui = m_form->controls();
    ui->imageFileFormatComboBox->setCurrentText(QStringLiteral("BMP"));
    ui->folderTextBox->setText(m_dir->path());
    ui->imageDelayComboBox->setCurrentText(QStringLiteral("3"));
    ui->adjustableSizeOptionButton->setChecked(true);
    m_form->show();
    m_form->playButton_Click();
}

// "Stop" answers whatever state the folder is in.
void tst_HostileFolder::stopShow()
{
    QVERIFY(m_form->slideShow().isTicking());
    m_choices = { 1 };
    m_form->Form_MouseDown(2);
    QVERIFY(m_form->controls()->Frame->isVisible());
    QVERIFY(!m_form->slideShow().isTicking());
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
}

void tst_HostileFolder::hostileEntryNeverStopsTheShow_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Outcome>("outcome");

    const QByteArray bmp = ImageBytes::encode(sample(), "bmp");
    const QByteArray jpeg = ImageBytes::encode(sample(), "jpeg");
    const QByteArray progressive = ImageBytes::encode(sample(), "jpeg", true);
    const QByteArray icon = ImageBytes::encode(sample(), "ico");
    const QByteArray png = ImageBytes::encode(sample(), "png");
    const QByteArray emf = testData(QStringLiteral("metafile-halves.emf"));
    const QByteArray wmf = testData(QStringLiteral("metafile-halves.wmf"));
    QVERIFY(!emf.isEmpty() && !wmf.isEmpty());
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                           "<rect width='40' height='30' fill='red'/></svg>";
    const QByteArray name = "b.bmp";
    const auto file = [&](const char* row, const QByteArray& bytes, Outcome outcome) {
        QTest::newRow(row) << name << Entry::File << bytes << outcome;
    };

    file("zero bytes", QByteArray(), Outcome::Background);
    file("text named like a picture", "Holiday notes\nDay 1: beach\n", Outcome::Background);
    file("svg named like a picture", svg, Outcome::Shown);
    // Drawing it would open the FIFO and wait for a writer forever.
    file("svg showing a fifo",
        "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
        " width='40' height='30'><image width='40' height='30' xlink:href='"
            + QFile::encodeName(m_fixtures.filePath(QStringLiteral("fifo.png"))) + "'/></svg>",
        Outcome::Background);
    file("png named bmp", png, Outcome::Shown);
    file("jpeg named bmp", jpeg, Outcome::Shown);
    file("gif named bmp", ImageBytes::twoPixelGif(), Outcome::Shown);
    file("icon named bmp", icon, Outcome::Shown);

    file("emf named bmp", emf, Outcome::Shown);
    file("wmf named bmp", wmf, Outcome::Shown);

    file("truncated bmp", truncated(bmp), Outcome::Either);
    file("bmp header only", bmp.left(54), Outcome::Background);
    file("truncated jpeg", truncated(jpeg), Outcome::Either);
    file("truncated progressive jpeg", truncated(progressive), Outcome::Either);
    file("truncated gif", truncated(ImageBytes::twoPixelGif()), Outcome::Either);
    file("truncated icon", truncated(icon), Outcome::Either);
    file("truncated png", truncated(png), Outcome::Either);
    file("corrupted bmp", corrupted(bmp), Outcome::Either);
    file("corrupted jpeg", corrupted(jpeg), Outcome::Either);
    file("corrupted progressive jpeg", corrupted(progressive), Outcome::Either);
    file("corrupted gif", corrupted(ImageBytes::twoPixelGif()), Outcome::Either);
    file("corrupted icon", corrupted(icon), Outcome::Either);
    file("corrupted png", corrupted(png), Outcome::Either);
    file("truncated emf", truncated(emf), Outcome::Background);
    file("truncated wmf", truncated(wmf), Outcome::Background);
    file("corrupted emf", corrupted(emf), Outcome::Either);
    file("corrupted wmf", corrupted(wmf), Outcome::Either);
    // Found by fuzzing: rotated text in a huge font, which crashed the earlier WMF library.
    file("wmf that crashes libwmf", testData(QStringLiteral("libwmf-crash.wmf")), Outcome::Either);

    file("bmp claiming 65535x65535", bmpClaiming(65535, 65535), Outcome::Background);
    file("bmp claiming -2147483648 high", bmpClaiming(16, -2147483647 - 1), Outcome::Background);
    file("gif claiming 65535x65535", gifClaiming(65535, 65535), Outcome::Background);
    file("gif frame of 65535x65535 on a small screen", gifFrameClaiming(65535, 65535),
        Outcome::Either);
    file("icon holding a png claiming 100000x100000", iconHoldingPng(pngClaiming(100000, 100000)),
        Outcome::Background);
    file("jpeg claiming 65500x65500", ImageBytes::withJpegFrameSize(jpeg, 65500, 65500),
        Outcome::Background);
    file("progressive jpeg claiming 16000x16000",
        ImageBytes::withJpegFrameSize(progressive, 16000, 16000), Outcome::Background);
    file("png claiming 100000x100000", pngClaiming(100000, 100000), Outcome::Background);
    file("icon of 65535 images", iconCountBomb(), Outcome::Background);
    file("icon claiming 65535x65535", iconSizeBomb(), Outcome::Background);
    QByteArray wideEmf = emf;
    qToLittleEndian<qint32>(-2147483647 - 1, wideEmf.data() + 24);
    qToLittleEndian<qint32>(2147483647, wideEmf.data() + 32);
    file("emf frame of the whole 32-bit range", wideEmf, Outcome::Either);
    file("ppm claiming 60000x60000", "P6\n60000 60000\n255\n\x01\x02\x03", Outcome::Background);

    const auto special = [&](const char* row, Entry entry, Outcome outcome) {
        QTest::newRow(row) << name << entry << bmp << outcome;
    };
    special("fifo", Entry::Fifo, Outcome::Skipped);
    special("socket", Entry::Socket, Outcome::Skipped);
    special("link to a device", Entry::DeviceLink, Outcome::Skipped);
    special("directory", Entry::Directory, Outcome::Skipped);
    special("dangling link", Entry::DanglingLink, Outcome::Skipped);
    special("link loop", Entry::LinkLoop, Outcome::Skipped);
    special("no read permission", Entry::Unreadable, Outcome::Background);

    const auto named = [&](const char* row, const QByteArray& fileName, Outcome outcome) {
        QTest::newRow(row) << fileName << Entry::File << bmp << outcome;
    };
    named("spaces", "b  with spaces .bmp", Outcome::Shown);
    named("quotes", "b \"double\" 'single'.bmp", Outcome::Shown);
    named("new line", "b\nsecond line.bmp", Outcome::Shown);
    named("255 bytes", "b" + QByteArray(250, 'x') + ".bmp", Outcome::Shown);
    named("invalid utf-8", "b\xff\xfe.bmp", Outcome::Shown);
}

void tst_HostileFolder::hostileEntryNeverStopsTheShow()
{
    QFETCH(QByteArray, name);
    QFETCH(Entry, entry);
    QFETCH(QByteArray, bytes);
    QFETCH(Outcome, outcome);
    const QByteArray good = ImageBytes::encode(sample(), "bmp");
    QVERIFY(write("a.bmp", good));
    QVERIFY(write("c.bmp", good));
    const QByteArray path = QFile::encodeName(m_dir->path()) + '/' + name;
    switch (entry) {
    case Entry::File:
        QVERIFY(write(name, bytes));
        break;
    case Entry::Fifo:
        QCOMPARE(mkfifo(path.constData(), 0600), 0);
        break;
    case Entry::Socket:
        QVERIFY(makeSocket(path));
        break;
    case Entry::DeviceLink:
        QCOMPARE(symlink("/dev/zero", path.constData()), 0);
        break;
    case Entry::Directory:
        QCOMPARE(mkdir(path.constData(), 0700), 0);
        break;
    case Entry::DanglingLink:
        QCOMPARE(symlink("gone.bmp", path.constData()), 0);
        break;
    case Entry::LinkLoop:
        QCOMPARE(symlink("b.bmp", path.constData()), 0);
        break;
    case Entry::Unreadable:
        if (!m_permissionsBind)
            QSKIP("file permissions cannot be made to bind in this process");
        QVERIFY(write(name, bytes));
        QCOMPARE(chmod(path.constData(), 0), 0);
        break;
    }

    startShow();
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    const QString hostileCaption = QStringLiteral("Slidewell - ") + QFile::decodeName(name);
    QStringList captions;
    for (int tick = 0; tick < 7; ++tick) {
        if (tick > 0)
            m_form->Timer_Timer();
        const QString caption = m_form->windowTitle();
        captions.append(caption);
        const bool visible = m_form->controls()->pictureImage->isVisible();
        if (caption == hostileCaption) {
            if (outcome == Outcome::Shown || outcome == Outcome::Background)
                QCOMPARE(visible, outcome == Outcome::Shown);
        } else {
            QVERIFY2(visible, qPrintable(caption));
        }
    }
    QStringList expected { QStringLiteral("Slidewell - a.bmp"), hostileCaption,
        QStringLiteral("Slidewell - c.bmp") };
    if (outcome == Outcome::Skipped)
        expected.removeAt(1);
    while (expected.size() < captions.size())
        expected.append(expected.at(expected.size() - (outcome == Outcome::Skipped ? 2 : 3)));
    QCOMPARE(captions, expected);
    stopShow();
}

void tst_HostileFolder::fileDeletedBetweenSearchAndLoad()
{
    const QByteArray good = ImageBytes::encode(sample(), "bmp");
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp" })
        QVERIFY(write(name, good));
    startShow();
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("b.bmp"))));
    m_form->Timer_Timer();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - b.bmp"));
    QVERIFY(m_form->controls()->pictureImage->isHidden());
    m_form->Timer_Timer();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - c.bmp"));
    QVERIFY(m_form->controls()->pictureImage->isVisible());
    // The next round no longer finds it.
    m_form->Timer_Timer();
    m_form->Timer_Timer();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - c.bmp"));
    stopShow();
}

void tst_HostileFolder::folderChangesDuringShow_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("removed") << "removed";
    QTest::newRow("renamed") << "renamed";
    QTest::newRow("emptied") << "emptied";
    QTest::newRow("made unreadable") << "unreadable";
}

void tst_HostileFolder::folderChangesDuringShow()
{
    QFETCH(QString, change);
    if (change == QLatin1String("unreadable") && !m_permissionsBind)
        QSKIP("file permissions cannot be made to bind in this process");
    const QByteArray good = ImageBytes::encode(sample(), "bmp");
    QVERIFY(write("a.bmp", good));
    QVERIFY(write("b.bmp", good));
    startShow();
    const QString folder = m_dir->path();
    const QByteArray nativeFolder = QFile::encodeName(folder);
    QDir::setCurrent(QDir::tempPath());
    const QString aside = folder + QStringLiteral("-aside");

    if (change == QLatin1String("removed")) {
        QVERIFY(QDir(folder).removeRecursively());
    } else if (change == QLatin1String("renamed")) {
        QVERIFY(QDir().rename(folder, aside));
    } else if (change == QLatin1String("emptied")) {
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            QVERIFY(QFile::remove(folder + u'/' + name));
    } else {
        QCOMPARE(chmod(nativeFolder.constData(), 0), 0);
    }
    for (int tick = 0; tick < 4; ++tick) {
        m_form->Timer_Timer();
        QVERIFY(m_form->controls()->pictureImage->isHidden());
        QVERIFY(m_form->slideShow().isTicking());
    }
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));

    // The files come back: the show finds them within a round.
    if (change == QLatin1String("removed")) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(write("a.bmp", good));
    } else if (change == QLatin1String("renamed")) {
        QVERIFY(QDir().rename(aside, folder));
    } else if (change == QLatin1String("emptied")) {
        QVERIFY(write("a.bmp", good));
    } else {
        QCOMPARE(chmod(nativeFolder.constData(), 0700), 0);
    }
    bool shown = false;
    for (int tick = 0; tick < 3 && !shown; ++tick) {
        m_form->Timer_Timer();
        shown = m_form->controls()->pictureImage->isVisible();
    }
    QVERIFY(shown);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - a.bmp"));
    stopShow();
}

QTEST_MAIN(tst_HostileFolder)
#include "tst_HostileFolder.moc"
