// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "ui_SlidewellForm.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_HostileSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUpSurvivesDamagedFile_data();
    void startUpSurvivesDamagedFile();
    void specialFileInPlaceOfTheFile_data();
    void specialFileInPlaceOfTheFile();
    void absurdValuesNeverStopTheShow_data();
    void absurdValuesNeverStopTheShow();
    void fullDiskKeepsTheGoodFile();
    void concurrentShowsKeepTheFileValid();
    void writerProcess();

private:
    QString userFile() const
    {
        return m_home->path() + QStringLiteral("/Slidewell/Slidewell.conf");
    }
    void store(const QByteArray& bytes);
    SlidewellForm& startForm();
    void play();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_pictures;
    std::unique_ptr<SlidewellForm> m_form;
    QStringList m_messages;
    QList<int> m_choices;
};

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray goodFile = "[Software\\Slidewell]\nimageFolder=/srv/good\nimageDelayInSeconds=7\n"
                            "screenSize=full\nbackgroundColor=255\nfileFormat=GIF\n";

// The values each writer of the concurrent test stores besides its folder, and those of the file
// it starts from.
struct WriterValues
{
    const char* delay;
    const char* format;
};
const WriterValues oldValues { "9", "ICO" };
const WriterValues writerA { "1", "BMP" };
const WriterValues writerB { "2", "JPG" };

} // namespace

void tst_HostileSettings::init()
{
    m_messages.clear();
    m_choices.clear();
    m_home = std::make_unique<QTemporaryDir>();
    m_pictures = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid() && m_pictures->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_home->filePath(QStringLiteral("machine"))));
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QVERIFY(image.save(m_pictures->filePath(QStringLiteral("a.bmp")), "BMP"));
}

void tst_HostileSettings::cleanup()
{
    m_form.reset();
    QDir::setCurrent(QDir::tempPath());
}

void tst_HostileSettings::store(const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(m_home->path() + QStringLiteral("/Slidewell")));
    QFile file(userFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

SlidewellForm& tst_HostileSettings::startForm()
{
    FormServices services;
    services.messageBox = [this](QWidget*, const QString& text, const QString&, int) {
        m_messages.append(text);
    };
    services.trackPopupMenu = [this](QWidget*, const QList<PopupMenuItem>&, const QPoint&) {
        return m_choices.isEmpty() ? 0 : m_choices.takeFirst();
    };
    services.cursorPos = [] { return QPoint(10, 10); };
    m_form = std::make_unique<SlidewellForm>(QStringList { QStringLiteral("slidewell") }, services);
    m_form->show();
    return *m_form;
}

// A show of the picture folder with what the settings left in the controls, apart from the
// folder and the format.
void tst_HostileSettings::play()
{
    Ui::SlidewellForm* ui = m_form->controls();
    ui->folderTextBox->setText(m_pictures->path());
    ui->imageFileFormatComboBox->setCurrentText(QStringLiteral("BMP"));
    m_form->playButton_Click();
}

void tst_HostileSettings::startUpSurvivesDamagedFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("replaced");

    QByteArray garbage(4096, '\0');
    QRandomGenerator generator(8);
    generator.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
    QByteArray huge = goodFile;
    while (huge.size() < 64 * 1024 * 1024)
        huge += "[Padding]\n" + QByteArray(1024 * 1024, 'x') + "=1\n";

    QTest::newRow("empty") << QByteArray() << "" << true;
    QTest::newRow("binary garbage") << garbage << "" << true;
    QTest::newRow("garbage after good values") << goodFile + garbage << "/srv/good" << true;
    QTest::newRow("cut in a value") << goodFile.left(40) << "/srv/go" << true;
    QTest::newRow("cut in the group name") << goodFile.left(9) << "" << false;
    QTest::newRow("64 MB") << huge << "" << false;
}

// Start-up takes what it can read; a show starts or reports why the settings could not be
// saved, and a file that cannot be rewritten without losing what it holds stays as it was.
void tst_HostileSettings::startUpSurvivesDamagedFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, folder);
    QFETCH(bool, replaced);
    store(bytes);
    SlidewellForm& form = startForm();
    QCOMPARE(form.controls()->folderTextBox->text(), folder);
    QVERIFY(m_messages.isEmpty());

    play();
    if (replaced) {
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
        QSettings settings(userFile(), QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        QCOMPARE(settings.value(QStringLiteral("Software/Slidewell/imageFolder")).toString(),
            m_pictures->path());
    } else {
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(
            m_messages[0].startsWith(QStringLiteral("Error occurred: Could not save the setting "
                                                    "\"imageFolder\" in ")
                + userFile() + QStringLiteral(": ")),
            qPrintable(m_messages[0]));
        QVERIFY(fileBytes(userFile()) == bytes);
    }
    m_choices = { 1 };
    form.Form_MouseDown(2);
    QVERIFY(form.controls()->Frame->isVisible());
}

void tst_HostileSettings::specialFileInPlaceOfTheFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("link to an endless device") << "device";
}

// Reading either would never end: start-up takes the defaults and a show start reports that the
// settings could not be saved.
void tst_HostileSettings::specialFileInPlaceOfTheFile()
{
    QFETCH(QString, kind);
    QVERIFY(QDir().mkpath(m_home->path() + QStringLiteral("/Slidewell")));
    const QByteArray path = QFile::encodeName(userFile());
    if (kind == QLatin1String("fifo"))
        QCOMPARE(mkfifo(path.constData(), 0600), 0);
    else
        QCOMPARE(symlink("/dev/zero", path.constData()), 0);
    SlidewellForm& form = startForm();
    QCOMPARE(form.controls()->imageDelayComboBox->currentText(), QStringLiteral("3"));
    play();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(
        m_messages[0].endsWith(QStringLiteral(": It is not a file")), qPrintable(m_messages[0]));
    const QFileInfo entry(userFile());
    QVERIFY(entry.exists() && !entry.isFile());
    m_choices = { 1 };
    form.Form_MouseDown(2);
    QVERIFY(form.controls()->Frame->isVisible());
}

void tst_HostileSettings::absurdValuesNeverStopTheShow_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("message");
    const QString tooLarge = QStringLiteral("Seconds must be below 66.");
    QTest::newRow("million-digit delay")
        << "imageDelayInSeconds=" + QByteArray(1000000, '9') << tooLarge;
    QTest::newRow("delay 1e999") << QByteArray("imageDelayInSeconds=1e999") << tooLarge;
    QTest::newRow("delay with control characters")
        << QByteArray("imageDelayInSeconds=\"3\\x1\\0\"") << "Please enter a valid number.";
    QTest::newRow("colour beyond 32 bits") << QByteArray("backgroundColor=1e300") << "";
    QTest::newRow("colour NaN") << QByteArray("backgroundColor=nan") << "";
    QTest::newRow("format of 100000 letters") << "fileFormat=" + QByteArray(100000, 'B') << "";
    QTest::newRow("size mode of control characters")
        << QByteArray("screenSize=\"\\x7\\x1b\"") << "";
    QTest::newRow("negative window size") << QByteArray("screenWidth=-9600\nscreenHeight=-1") << "";
    QTest::newRow("zero window size") << QByteArray("screenWidth=0\nscreenHeight=0") << "";
    QTest::newRow("window size beyond 32 bits")
        << QByteArray("screenWidth=1e300\nscreenHeight=-1e300") << "";
    QTest::newRow("window size of a million digits")
        << "screenWidth=" + QByteArray(1000000, '7') << "";
}

void tst_HostileSettings::absurdValuesNeverStopTheShow()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, message);
    store("[Software\\Slidewell]\n" + lines + '\n');
    SlidewellForm& form = startForm();
    QVERIFY(m_messages.isEmpty());
    play();
    if (!message.isEmpty()) {
        QCOMPARE(m_messages, QStringList { message });
        QVERIFY(form.controls()->Frame->isVisible());
        return;
    }
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QVERIFY(form.controls()->pictureImage->isVisible());
    // The window stays on the screen and keeps a usable size.
    const QRect screen = form.screen()->availableGeometry();
    QVERIFY2(form.width() >= 100 && form.width() <= screen.width(),
        qPrintable(QString::number(form.width())));
    QVERIFY2(form.height() >= 30 && form.height() <= screen.height(),
        qPrintable(QString::number(form.height())));
    form.Timer_Timer();
    QVERIFY(form.controls()->pictureImage->isVisible());
    m_choices = { 1 };
    form.Form_MouseDown(2);
    QVERIFY(form.controls()->Frame->isVisible());
}

// A settings folder on a small file system that fills up: the show start reports that it could
// not save, the file keeps its good values, and saving works again once there is room.
void tst_HostileSettings::fullDiskKeepsTheGoodFile()
{
    // A mount namespace of its own: the file system goes away with this process, whatever happens.
    if (unshare(CLONE_NEWNS) != 0
        || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        QSKIP("no mount namespace may be made here (needs root)");
    const QByteArray mountPoint = QFile::encodeName(m_home->path());
    QCOMPARE(mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k"), 0);
    store(goodFile);
    {
        QFile filler(m_home->filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size()) { }
    }

    SlidewellForm& form = startForm();
    QCOMPARE(form.controls()->folderTextBox->text(), QStringLiteral("/srv/good"));
    play();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].startsWith(QStringLiteral("Error occurred: Could not save the setting "
                                                     "\"imageFolder\"")),
        qPrintable(m_messages[0]));
    QVERIFY2(m_messages[0].contains(QStringLiteral("space"), Qt::CaseInsensitive),
        qPrintable(m_messages[0]));
    QCOMPARE(fileBytes(userFile()), goodFile);
    QCOMPARE(QDir(m_home->path() + QStringLiteral("/Slidewell")).entryList(QDir::Files),
        QStringList { QStringLiteral("Slidewell.conf") });
    m_choices = { 1 };
    form.Form_MouseDown(2);

    QVERIFY(QFile::remove(m_home->filePath(QStringLiteral("filler"))));
    m_messages.clear();
    play();
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QSettings settings(userFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Software/Slidewell/imageFolder")).toString(),
        m_pictures->path());
    m_choices = { 1 };
    form.Form_MouseDown(2);
    m_form.reset();
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(umount2(mountPoint.constData(), MNT_DETACH), 0);
}

// Two processes start shows over and over at the same time. Every state of the file that a
// reader can meet is a whole settings file whose values each come from one of the writers (or
// from the file they began with), and the writers leave no temporary files behind.
void tst_HostileSettings::concurrentShowsKeepTheFileValid()
{
    const auto line = [](const WriterValues& values) {
        return QByteArray("[Software\\Slidewell]\nimageFolder=/srv/old\nimageDelayInSeconds=")
            + values.delay + "\nfileFormat=" + values.format + '\n';
    };
    store(line(oldValues));
    QStringList folders { QStringLiteral("/srv/old") };
    QList<QProcess*> writers;
    for (const char* role : { "a", "b" }) {
        // Each writer shows a folder of its own, so the file tells the writers apart.
        const QString folder = m_home->filePath(QString::fromLatin1(role));
        folders.append(folder);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(
            m_pictures->filePath(QStringLiteral("a.bmp")), folder + QStringLiteral("/a.bmp")));
        QVERIFY(QFile::copy(
            m_pictures->filePath(QStringLiteral("a.bmp")), folder + QStringLiteral("/a.jpg")));
        auto* writer = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SLIDEWELL_TEST_WRITER"), QString::fromLatin1(role));
        environment.insert(QStringLiteral("SLIDEWELL_TEST_FOLDER"), folder);
        environment.insert(QStringLiteral("SLIDEWELL_TEST_HOME"), m_home->path());
        writer->setProcessEnvironment(environment);
        writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers.append(writer);
    }
    for (QProcess* writer : writers)
        writer->start(QCoreApplication::applicationFilePath(), { QStringLiteral("writerProcess") });

    const auto fromAWriter = [](const QString& value, const char* WriterValues::*field) {
        return value == QLatin1String(writerA.*field) || value == QLatin1String(writerB.*field)
            || value == QLatin1String(oldValues.*field);
    };
    int snapshots = 0;
    while (std::any_of(writers.cbegin(), writers.cend(),
        [](QProcess* writer) { return writer->state() != QProcess::NotRunning; })) {
        const QByteArray bytes = fileBytes(userFile());
        QTemporaryDir copyDir;
        QFile copy(copyDir.filePath(QStringLiteral("copy.conf")));
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(bytes);
        copy.close();
        QSettings settings(copy.fileName(), QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        settings.beginGroup(QStringLiteral("Software/Slidewell"));
        QVERIFY2(folders.contains(settings.value("imageFolder").toString()), bytes.constData());
        QVERIFY2(
            fromAWriter(settings.value("imageDelayInSeconds").toString(), &WriterValues::delay),
            bytes.constData());
        QVERIFY2(fromAWriter(settings.value("fileFormat").toString(), &WriterValues::format),
            bytes.constData());
        ++snapshots;
        QTest::qWait(1);
    }
    for (QProcess* writer : writers) {
        QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer->exitCode(), 0);
    }
    QVERIFY(snapshots > 10);
    QSettings settings(userFile(), QSettings::IniFormat);
    const QString folder =
        settings.value(QStringLiteral("Software/Slidewell/imageFolder")).toString();
    QVERIFY2(folders.indexOf(folder) > 0, qPrintable(folder));
    QCOMPARE(QDir(m_home->path() + QStringLiteral("/Slidewell")).entryList(QDir::Files),
        QStringList { QStringLiteral("Slidewell.conf") });
}

// One of the two writers above: starts and stops 25 shows with its own settings.
void tst_HostileSettings::writerProcess()
{
    const QByteArray role = qgetenv("SLIDEWELL_TEST_WRITER");
    if (role.isEmpty())
        QSKIP("runs only as a writer process of concurrentShowsKeepTheFileValid");
    const WriterValues& values = role == "a" ? writerA : writerB;
    qputenv("XDG_CONFIG_HOME", qgetenv("SLIDEWELL_TEST_HOME"));
    SlidewellForm& form = startForm();
    Ui::SlidewellForm* ui = form.controls();
    for (int show = 0; show < 25; ++show) {
        ui->folderTextBox->setText(qEnvironmentVariable("SLIDEWELL_TEST_FOLDER"));
        ui->imageDelayComboBox->setCurrentText(QString::fromLatin1(values.delay));
        ui->imageFileFormatComboBox->setCurrentText(QString::fromLatin1(values.format));
        ui->adjustableSizeOptionButton->setChecked(true);
        form.playButton_Click();
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
        m_choices = { 1 };
        form.Form_MouseDown(2);
    }
}

QTEST_MAIN(tst_HostileSettings)
#include "tst_HostileSettings.moc"
