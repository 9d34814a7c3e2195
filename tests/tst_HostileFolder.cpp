// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/TestSupport.h"
#include "ui_SlidewellForm.h"

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace TestSupport;

// What stands in the folder between a.bmp and c.bmp: a picture, a damaged file, a FIFO, a
// socket, a link to a device, a folder, a link to nothing, a link to itself, an unreadable file.
enum class Entry { Picture, Damaged, Fifo, Socket, Device, Folder, Dangling, Loop, Unreadable };
Q_DECLARE_METATYPE(Entry)

class tst_HostileFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void showGoesOnPastEveryEntry_data();
    void showGoesOnPastEveryEntry();

private:
    std::unique_ptr<ShowFixture> m_show;
};

namespace {

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

} // namespace

void tst_HostileFolder::init() { m_show = std::make_unique<ShowFixture>(); }

void tst_HostileFolder::cleanup()
{
    chmod(QFile::encodeName(m_show->picturesPath()).constData(), 0700);
    m_show.reset();
}

void tst_HostileFolder::showGoesOnPastEveryEntry_data()
{
    // What the show starts with, then what each tick shows or ("!") what happens meanwhile; "X"
    // is the entry, "(name)" a caption over the bare background.
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QStringList>("script");
    const QStringList skipped { "a.bmp", "c.bmp", "a.bmp", "c.bmp", "a.bmp" };
    const QStringList background { "a.bmp", "(X)", "c.bmp", "a.bmp", "(X)", "c.bmp" };
    QTest::newRow("fifo") << QByteArray("b.bmp") << Entry::Fifo << skipped;
    QTest::newRow("socket") << QByteArray("b.bmp") << Entry::Socket << skipped;
    QTest::newRow("link to a device") << QByteArray("b.bmp") << Entry::Device << skipped;
    QTest::newRow("directory") << QByteArray("b.bmp") << Entry::Folder << skipped;
    QTest::newRow("dangling link") << QByteArray("b.bmp") << Entry::Dangling << skipped;
    QTest::newRow("link loop") << QByteArray("b.bmp") << Entry::Loop << skipped;
    QTest::newRow("hidden") << QByteArray(".b.bmp") << Entry::Picture << skipped;
    QTest::newRow("no read permission") << QByteArray("b.bmp") << Entry::Unreadable << background;
    QTest::newRow("damaged") << QByteArray("b.bmp") << Entry::Damaged << background;
    QTest::newRow("new line in the name") << QByteArray("b\nsecond line.bmp") << Entry::Picture
                                          << QStringList { "a.bmp", "X", "c.bmp", "a.bmp", "X" };
    QTest::newRow("deleted between search and load")
        << QByteArray("b.bmp") << Entry::Picture
        << QStringList { "a.bmp", "!remove entry", "(X)", "c.bmp", "a.bmp", "c.bmp" };
    QTest::newRow("folder removed and restored")
        << QByteArray("b.bmp") << Entry::Picture
        << QStringList { "a.bmp", "!remove folder", "(X)", "(c.bmp)", "()", "()", "!restore folder",
               "()", "a.bmp", "a.bmp" };
    QTest::newRow("folder locked and unlocked")
        << QByteArray("b.bmp") << Entry::Picture
        << QStringList { "a.bmp", "!lock folder", "(X)", "(c.bmp)", "()", "()", "!unlock folder",
               "()", "a.bmp", "X" };
}

void tst_HostileFolder::showGoesOnPastEveryEntry()
{
    QFETCH(QByteArray, name);
    QFETCH(Entry, entry);
    QFETCH(QStringList, script);
    static const bool permissionsBind = dropPermissionOverride();
    if ((entry == Entry::Unreadable || script.contains("!lock folder")) && !permissionsBind)
        QSKIP("file permissions cannot be made to bind in this process");
    const QString folder = m_show->picturesPath();
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    QVERIFY(writeImage(m_show->picture(QStringLiteral("a.bmp")), 20, 20));
    QVERIFY(writeImage(m_show->picture(QStringLiteral("c.bmp")), 20, 20));
    const char* at = path.constData();
    const QString file = QFile::decodeName(path);
    const bool made = entry == Entry::Fifo ? mkfifo(at, 0600) == 0
        : entry == Entry::Socket           ? mknod(at, S_IFSOCK | 0600, 0) == 0
        : entry == Entry::Device           ? symlink("/dev/urandom", at) == 0
        : entry == Entry::Folder           ? mkdir(at, 0700) == 0
        : entry == Entry::Dangling         ? symlink("gone.bmp", at) == 0
        : entry == Entry::Loop             ? symlink(name.constData(), at) == 0
        : entry == Entry::Damaged          ? writeFile(file, "BM this is no bitmap")
                                           : writeImage(file, 20, 20);
    QVERIFY(made);
    if (entry == Entry::Unreadable)
        QCOMPARE(chmod(at, 0), 0);
    SlidewellForm& form = m_show->form();
    m_show->play();
    const auto shown = [&] {
        QString caption = form.windowTitle().mid(12);
        if (caption == QFile::decodeName(name))
            caption = u'X';
        return m_show->ui()->pictureImage->isVisible() ? caption : u'(' + caption + u')';
    };
    QStringList done { shown() };
    for (const QString& line : script.mid(1)) {
        if (line == QLatin1String("!remove entry")) {
            QVERIFY(QFile::remove(file));
        } else if (line == QLatin1String("!remove folder")) {
            QVERIFY(QDir(folder).removeRecursively());
        } else if (line == QLatin1String("!restore folder")) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(writeImage(m_show->picture(QStringLiteral("a.bmp")), 20, 20));
        } else if (line.endsWith(QLatin1String("lock folder"))) {
            QCOMPARE(
                chmod(QFile::encodeName(folder).constData(), line.contains(u"unlock") ? 0700 : 0),
                0);
        } else {
            m_show->tick();
        }
        done.append(line.startsWith(u'!') ? line : shown());
    }
    QCOMPARE(done, script);
    QVERIFY2(
        m_show->answers.messages.isEmpty(), qPrintable(m_show->answers.messageTexts().value(0)));
    QVERIFY(form.slideShow().isTicking());
    m_show->stop();
    QVERIFY(m_show->ui()->Frame->isVisible());
}

QTEST_MAIN(tst_HostileFolder)
#include "tst_HostileFolder.moc"
