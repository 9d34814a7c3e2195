// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/SettingsFile.h"
#include "tests/TestSupport.h"
#include "ui_SlidewellForm.h"

#include <QProcess>
#include <QScreen>

#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace TestSupport;

class tst_HostileSettings : public QObject
{
    Q_OBJECT
private slots:
    void damagedFileInPlaceOfTheSettings_data();
    void damagedFileInPlaceOfTheSettings();
    void concurrentShowsKeepTheFileValid();
    void writerProcess();
};

namespace {

QString stored(const QString& file, const QString& name)
{
    return SettingsFile(file).value("Software/Slidewell", name).value_or(QString());
}

} // namespace

void tst_HostileSettings::damagedFileInPlaceOfTheSettings_data()
{
    // The file's bytes, or what stands in its place: "<fifo>", "<device>" (a link to /dev/zero),
    // "<folder>", "<file for folder>" (a file where the settings folder goes), or "<full disk>"
    // (the good file on a small file system that is full).
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("folder");
    // Why the show start could not save; empty: it saved.
    QTest::addColumn<QString>("reason");
    // Whether the first write keeps the old bytes beside the file as damaged: "yes", "no", or
    // "either" for random bytes.
    QTest::addColumn<QString>("damaged");
    const auto sample = [](const char* name) {
        return testData(QStringLiteral("settings/") + name);
    };
    const QByteArray good = sample("good.conf");
    const QString saved;
    const QString notAFile = QStringLiteral("It is not a file");
    const QString yes = QStringLiteral("yes");
    const QString no = QStringLiteral("no");
    QTest::newRow("empty") << QByteArray("") << "" << saved << no;
    QTest::newRow("binary garbage") << sample("garbage.bin") << "" << saved << no;
    QTest::newRow("garbage after values")
        << good + sample("garbage.bin") << "/srv/good" << saved << no;
    QTest::newRow("cut in a value") << sample("cut-in-value.conf") << "/srv/go" << saved << no;
    QTest::newRow("absurd values") << sample("absurd-values.conf") << "" << saved << no;
    QTest::newRow("beyond 32 bits") << sample("huge-numbers.conf") << "" << saved << no;
    QTest::newRow("cut in the group name") << sample("cut-in-group.conf") << "" << saved << yes;
    // Random bytes of fixed seeds, each with a readable value before them.
    for (const unsigned seed : { 1U, 2U, 3U, 4U, 5U, 6U, 7U, 8U, 9U, 10U, 11U, 12U }) {
        std::mt19937 random(seed);
        QByteArray noise(5000, 0);
        for (char& byte : noise)
            byte = char(random());
        QTest::newRow(qPrintable(QStringLiteral("random bytes, seed %1").arg(seed)))
            << good + noise << "/srv/good" << saved << QStringLiteral("either");
    }
    QTest::newRow("NUL bytes") << good + QByteArray(300, '\0') << "/srv/good" << saved << no;
    QTest::newRow("invalid UTF-8") << good + "imageDelayInSeconds=\xff\xfe\xc3\n"
                                   << "/srv/good" << saved << no;
    QTest::newRow("group header without its end") << good + "[Software/Slidewell\nscreenWidth=1\n"
                                                  << "" << saved << yes;
    QTest::newRow("key with broken escapes") << good + "fileFormat=@Variant(\\0\\0\\0\\x7f\n"
                                             << "/srv/good" << saved << no;
    QTest::newRow("duplicate keys") << good + "[Software/Slidewell]\nimageFolder=/srv/other\n"
                                    << "/srv/other" << saved << no;
    QTest::newRow("one garbage line") << good + "\x01\x02=\x80%\x00\n"
                                      << "/srv/good" << saved << no;
    QTest::newRow("over 1 MB") << good + "[Padding]\n" + QByteArray(1024 * 1024, 'x') + "=1\n"
                               << "" << QStringLiteral("It is too large for a settings file") << no;
    QTest::newRow("fifo") << QByteArray("<fifo>") << "" << notAFile << no;
    QTest::newRow("link to an endless device") << QByteArray("<device>") << "" << notAFile << no;
    QTest::newRow("folder") << QByteArray("<folder>") << "" << notAFile << no;
    QTest::newRow("full disk") << QByteArray("<full disk>") << "/srv/good"
                               << QStringLiteral("No space left on device") << no;
    QTest::newRow("file for the folder")
        << QByteArray("<file for folder>") << "" << QStringLiteral("Not a directory") << no;
}

// Start-up takes what it can read. A show start saves, or reports why it could not and leaves
// what is there as it was; either way the show can be stopped.
void tst_HostileSettings::damagedFileInPlaceOfTheSettings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    QFETCH(QString, damaged);
    ShowFixture fixture;
    const QString file = fixture.settingsFile();
    const QByteArray path = QFile::encodeName(file);
    const QString folderPath = QFileInfo(file).absolutePath();
    const QString home = QFileInfo(folderPath).absolutePath();
    const bool fullDisk = bytes == "<full disk>";
    if (fullDisk) {
        // In a mount namespace of its own, the file system goes away with this process.
        if (unshare(CLONE_NEWNS) != 0
            || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP("no mount namespace may be made here (needs root)");
        QCOMPARE(mount("tmpfs", QFile::encodeName(home).constData(), "tmpfs", 0, "size=64k"), 0);
        bytes = testData("settings/good.conf");
        QVERIFY(writeFile(file, bytes));
        QFile filler(home + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(1024, 'f')) == 1024) { }
    } else if (bytes == "<file for folder>") {
        QVERIFY(writeFile(folderPath, "x"));
    } else if (bytes == "<folder>") {
        QVERIFY(QDir().mkpath(file));
    } else if (bytes == "<fifo>") {
        QVERIFY(QDir().mkpath(folderPath) && mkfifo(path.constData(), 0600) == 0);
    } else if (bytes == "<device>") {
        // A node of its own where root may make one, so that a fault writing through the link
        // can never replace the system's device.
        const QByteArray node = QFile::encodeName(home + QStringLiteral("/zero"));
        const bool own = mknod(node.constData(), S_IFCHR | 0666, makedev(1, 5)) == 0;
        QVERIFY(QDir().mkpath(folderPath)
            && symlink(own ? node.constData() : "/dev/zero", path.constData()) == 0);
    } else {
        QVERIFY(writeFile(file, bytes));
    }
    const bool special = bytes.startsWith('<');
    SlidewellForm& form = fixture.form();
    QCOMPARE(form.controls()->folderTextBox->text(), folder);
    // Values that the show start does not write, as they read before it.
    const QStringList others { "screenWidth", "screenHeight", "centrePictures" };
    QStringList before;
    for (const QString& name : others)
        before.append(stored(file, name));
    QVERIFY(writeImage(fixture.picture("a.bmp"), 16, 12));

    fixture.play();
    if (reason.isEmpty()) {
        QCOMPARE(fixture.answers.messageTexts(), QStringList());
        QCOMPARE(stored(file, "imageFolder"), fixture.picturesPath());
        // Whatever size was stored, the window stays on the screen and keeps a usable size.
        const QRect screen = form.screen()->availableGeometry();
        QVERIFY2(form.width() >= 100 && form.width() <= screen.width() && form.height() >= 30
                && form.height() <= screen.height(),
            qPrintable(QStringLiteral("%1x%2").arg(form.width()).arg(form.height())));
        QVERIFY(form.controls()->pictureImage->isVisible());
        QStringList after;
        for (const QString& name : others)
            after.append(stored(file, name));
        QCOMPARE(after, before);
    } else {
        QCOMPARE(fixture.answers.messageTexts(),
            QStringList { "Error occurred: Could not save the setting \"imageFolder\" in " + file
                + ": " + reason });
        QVERIFY(special ? !QFileInfo(file).isFile() : readFile(file) == bytes);
    }
    // A damaged file's bytes are kept beside it as they were.
    const QString copy = file + QStringLiteral(".damaged");
    if (damaged == QLatin1String("either"))
        damaged = QFileInfo::exists(copy) ? QStringLiteral("yes") : QStringLiteral("no");
    QCOMPARE(QFileInfo::exists(copy), damaged == QLatin1String("yes"));
    if (QFileInfo::exists(copy))
        QCOMPARE(readFile(copy), bytes);
    // No temporary file is left behind.
    QVERIFY(QDir(folderPath).entryList(QDir::Files).size() <= (QFileInfo::exists(copy) ? 2 : 1));
    fixture.stop();
    QVERIFY(form.controls()->Frame->isVisible());
    if (fullDisk)
        QCOMPARE(umount2(QFile::encodeName(home).constData(), MNT_DETACH), 0);
}

// Two processes start shows over and over at the same time. Every state of the file that a
// reader can meet is a whole settings file with the folder of one of the writers (or of the file
// they began with), and the writers leave no temporary files behind.
void tst_HostileSettings::concurrentShowsKeepTheFileValid()
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const QString file = home.filePath(QStringLiteral("Slidewell/Slidewell.conf"));
    QVERIFY(writeFile(file, "[Software\\Slidewell]\nimageFolder=/srv/old\n"));
    QList<QProcess*> writers;
    for (const QString role : { "1", "2" }) {
        auto* writer = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SLIDEWELL_TEST_WRITER"), role);
        environment.insert(QStringLiteral("SLIDEWELL_TEST_HOME"), home.path());
        writer->setProcessEnvironment(environment);
        writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer->start(QCoreApplication::applicationFilePath(), { QStringLiteral("writerProcess") });
        writers.append(writer);
    }

    int snapshots = 0;
    while (writers[0]->state() != QProcess::NotRunning
        || writers[1]->state() != QProcess::NotRunning) {
        // Each writer shows a picture folder of its own.
        const QString folder = stored(file, "imageFolder");
        QVERIFY2(folder == "/srv/old" || folder.startsWith(QDir::tempPath()), qPrintable(folder));
        ++snapshots;
        QTest::qWait(1);
    }
    for (QProcess* writer : writers)
        QVERIFY(writer->exitStatus() == QProcess::NormalExit && writer->exitCode() == 0);
    QVERIFY(snapshots > 10);
    QVERIFY2(stored(file, "imageFolder").startsWith(QDir::tempPath()),
        qPrintable(stored(file, "imageFolder")));
    QCOMPARE(QFileInfo(file).dir().entryList(QDir::Files), QStringList { "Slidewell.conf" });
}

// One of the two writers above: starts and stops 25 shows with its own settings and pictures.
void tst_HostileSettings::writerProcess()
{
    const QString role = qEnvironmentVariable("SLIDEWELL_TEST_WRITER");
    if (role.isEmpty())
        QSKIP("runs only as a writer process of concurrentShowsKeepTheFileValid");
    ShowFixture fixture;
    qputenv("XDG_CONFIG_HOME", qgetenv("SLIDEWELL_TEST_HOME"));
    QVERIFY(writeImage(fixture.picture("a.bmp"), 16, 12)
        && writeImage(fixture.picture("a.jpg"), 16, 12));
    for (int show = 0; show < 25; ++show) {
        fixture.play(role, false, role == "1" ? "BMP" : "JPG");
        QCOMPARE(fixture.answers.messageTexts(), QStringList());
        fixture.stop();
    }
}

QTEST_MAIN(tst_HostileSettings)
#include "tst_HostileSettings.moc"
