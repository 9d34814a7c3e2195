// SPDX-License-Identifier: GPL-2.0-or-later
#include "ImageBytes.h"
#include "app/SlidewellForm.h"
#include "platform/VbColor.h"
#include "settings/RegistryToolModule.h"
#include "ui_SlidewellForm.h"

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

struct Message
{
    QString text;
    QString title;
    int style;
};

// Answers the form's modal windows: records every message box and every popup menu, and
// chooses the queued answers in the popup menu (0, dismissed, when none is queued).
struct Answers
{
    QList<Message> messages;
    QList<QList<PopupMenuItem>> menus;
    QList<QPoint> menuPositions;
    QList<bool> timerRunningInMenu;
    QList<int> choices;
};

class tst_Show : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void validatesDelayThenFolder_data();
    void validatesDelayThenFolder();
    void reportsMissingImages_data();
    void reportsMissingImages();
    void zeroDelayKeepsFirstImage();
    void negativeDelayIsReportedAndStopWorks_data();
    void negativeDelayIsReportedAndStopWorks();
    void fullScreenShowAndStop();
    void fitsEachImageToCurrentClientArea_data();
    void fitsEachImageToCurrentClientArea();
    void wrapsAroundAndNamesEachImage();
    void damagedFileShowsBackgroundOnEveryRound();
    void animationPlaysOnlyWhileShownAndRunning();
    void skipsDirectoriesHiddenFilesAndFifos();
    void relativeFolderKeepsShowing();
    void hangingHelperLeavesWindowAnswering();
    void popupMenuStateMachine();
    void showKeys();
    void rightClickOnPictureOpensMenu();
    void stopWhilePausedRestoresWindow();
    void stopCompletesWhenSavingSizeFails();

private:
    SlidewellForm& startForm();
    void writeImage(const QString& name, int width, int height, QColor color = Qt::red);
    void play(const QString& delay = QStringLiteral("3"), bool fullScreen = false);
    QStringList menuTexts() const;
    QString tickCaption();

    QTemporaryDir* m_dir = nullptr;
    QTemporaryDir* m_config = nullptr;
    Answers m_answers;
    bool m_loadInBackground = false;
    SlidewellForm* m_form = nullptr;
};

namespace {

QStringList texts(const QList<PopupMenuItem>& items)
{
    QStringList result;
    for (const PopupMenuItem& item : items)
        result.append(QString::number(item.id) + u' ' + item.text);
    return result;
}

} // namespace

void tst_Show::init()
{
    m_answers = Answers();
    m_loadInBackground = false;
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    // Every test starts without saved settings.
    m_config = new QTemporaryDir;
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void tst_Show::cleanup()
{
    delete m_form;
    m_form = nullptr;
    delete m_dir;
    m_dir = nullptr;
    delete m_config;
    m_config = nullptr;
}

SlidewellForm& tst_Show::startForm()
{
    FormServices services;
    services.messageBox = [this](QWidget*, const QString& text, const QString& title, int style) {
        m_answers.messages.append({ text, title, style });
    };
    services.trackPopupMenu = [this](
                                  QWidget*, const QList<PopupMenuItem>& items, const QPoint& at) {
        m_answers.menus.append(items);
        m_answers.menuPositions.append(at);
        m_answers.timerRunningInMenu.append(m_form->slideShow().isTicking());
        return m_answers.choices.isEmpty() ? 0 : m_answers.choices.takeFirst();
    };
    services.cursorPos = [] { return QPoint(321, 123); };
    services.loadInBackground = m_loadInBackground;
    m_form = new SlidewellForm(QStringList { QStringLiteral("slidewell") }, services);
    m_form->controls()->imageFileFormatComboBox->setCurrentText(QStringLiteral("BMP"));
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form))
        qWarning("window not exposed");
    return *m_form;
}

void tst_Show::writeImage(const QString& name, int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QVERIFY(image.save(m_dir->filePath(name), "BMP"));
}

void tst_Show::play(const QString& delay, bool fullScreen)
{
    if (!m_form)
        startForm();
    Ui::SlidewellForm* ui = m_form->controls();
    ui->folderTextBox->setText(m_dir->path());
    ui->imageDelayComboBox->setCurrentText(delay);
    (fullScreen ? ui->fullScreenOptionButton : ui->adjustableSizeOptionButton)->setChecked(true);
    m_form->playButton_Click();
}

QStringList tst_Show::menuTexts() const
{
    return m_answers.menus.isEmpty() ? QStringList() : texts(m_answers.menus.last());
}

QString tst_Show::tickCaption()
{
    m_form->Timer_Timer();
    return m_form->windowTitle();
}

void tst_Show::validatesDelayThenFolder_data()
{
    QTest::addColumn<QString>("delay");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("interval");
    QTest::newRow("spaces") << "   " << true << "Seconds cannot be empty."
                            << "Invalid Seconds" << 0;
    QTest::newRow("empty delay before empty folder") << "" << false << "Seconds cannot be empty."
                                                     << "Invalid Seconds" << 0;
    QTest::newRow("letters") << "abc" << true << "Please enter a valid number."
                             << "Invalid Number" << 0;
    QTest::newRow("number and word") << "3 s" << true << "Please enter a valid number."
                                     << "Invalid Number" << 0;
    QTest::newRow("66") << "66" << true << "Seconds must be below 66."
                        << "Seconds Too Large" << 0;
    QTest::newRow("65.5") << "65.5" << true << "Seconds must be below 66."
                          << "Seconds Too Large" << 0;
    QTest::newRow("empty folder") << "3" << false << "Please select a folder."
                                  << "Folder Empty" << 0;
    QTest::newRow("65") << "65" << true << ""
                        << "" << 65000;
    QTest::newRow("2.5 to even") << "2.5" << true << ""
                                 << "" << 2000;
    QTest::newRow("3.5 to even") << "3.5" << true << ""
                                 << "" << 4000;
    QTest::newRow("blanks around") << " 7 " << true << ""
                                   << "" << 7000;
}

void tst_Show::validatesDelayThenFolder()
{
    QFETCH(QString, delay);
    QFETCH(bool, withFolder);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, interval);
    writeImage(QStringLiteral("a.bmp"), 40, 30);
    SlidewellForm& form = startForm();
    Ui::SlidewellForm* ui = form.controls();
    ui->imageFileFormatComboBox->setCurrentText(QStringLiteral("BMP"));
    ui->folderTextBox->setText(withFolder ? m_dir->path() : QStringLiteral("  "));
    ui->imageDelayComboBox->setCurrentText(delay);
    form.playButton_Click();

    if (message.isEmpty()) {
        QCOMPARE(m_answers.messages.size(), 0);
        QCOMPARE(form.slideShow().interval(), interval);
        QVERIFY(form.slideShow().isTicking());
        QVERIFY(ui->Frame->isHidden());
        QVERIFY(!form.menuBar()->isVisible());
        QVERIFY(ui->pictureImage->isVisible());
        QCOMPARE(form.BackColor(), form.swatchColor());
        return;
    }
    QCOMPARE(m_answers.messages.size(), 1);
    QCOMPARE(m_answers.messages[0].text, message);
    QCOMPARE(m_answers.messages[0].title, title);
    QCOMPARE(m_answers.messages[0].style, 64);
    QCOMPARE(form.focusWidget(),
        title == QLatin1String("Folder Empty") ? static_cast<QWidget*>(ui->folderTextBox)
                                               : static_cast<QWidget*>(ui->imageDelayComboBox));
    QVERIFY(ui->Frame->isVisible());
    QVERIFY(!form.slideShow().isTicking());
    form.Form_MouseDown(2);
    QVERIFY(m_answers.menus.isEmpty());
}

void tst_Show::reportsMissingImages_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    const QString rest =
        QStringLiteral(" image files.\r\nPlease select another folder or change File Format and "
                       "try again.");
    QTest::newRow("BMP") << "BMP"
                         << ""
                         << QStringLiteral("The folder selected does not contain any BMP") + rest;
    QTest::newRow("none") << ""
                          << ""
                          << QStringLiteral("The folder selected does not contain any ") + rest;
    QTest::newRow("JPG matches a.jpeg") << "JPG"
                                        << ""
                                        << "";
    QTest::newRow("All Pictures") << "All Pictures"
                                  << ""
                                  << "";
    QTest::newRow("TIFF") << "TIFF"
                          << ""
                          << QStringLiteral("The folder selected does not contain any TIFF") + rest;
    QTest::newRow("folder that does not exist")
        << "JPG"
        << "missing" << QStringLiteral("The folder selected does not contain any JPG") + rest;
    // An unreadable folder is an error, not an empty one.
    QTest::newRow("a file, not a folder") << "JPG"
                                          << "a.jpeg"
                                          << "Error occurred: Not a directory";
}

void tst_Show::reportsMissingImages()
{
    QFETCH(QString, format);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(m_dir->filePath(QStringLiteral("a.jpeg")), "JPEG"));
    SlidewellForm& form = startForm();
    form.controls()->imageFileFormatComboBox->setCurrentIndex(
        form.controls()->imageFileFormatComboBox->findText(format));
    form.controls()->folderTextBox->setText(m_dir->filePath(folder));
    form.controls()->imageDelayComboBox->setCurrentText(QStringLiteral("3"));
    form.playButton_Click();
    if (message.isEmpty()) {
        QVERIFY(m_answers.messages.isEmpty());
        QVERIFY(form.controls()->pictureImage->isVisible());
        return;
    }
    const bool error = message.startsWith(QStringLiteral("Error"));
    QCOMPARE(m_answers.messages.size(), 1);
    QCOMPARE(m_answers.messages[0].text, message);
    QCOMPARE(m_answers.messages[0].title,
        error ? QStringLiteral("Error Occurred") : QStringLiteral("No Image Files Found"));
    QCOMPARE(m_answers.messages[0].style, error ? 16 : 64);
    QVERIFY(form.controls()->Frame->isVisible());
}

void tst_Show::zeroDelayKeepsFirstImage()
{
    writeImage(QStringLiteral("a.bmp"), 40, 30);
    writeImage(QStringLiteral("b.bmp"), 40, 30);
    play(QStringLiteral("0"));
    QVERIFY(m_answers.messages.isEmpty());
    QVERIFY(m_form->controls()->pictureImage->isVisible());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - a.bmp"));
    // A timer at interval 0 never ticks.
    QVERIFY(!m_form->slideShow().isTicking());
    QTest::qWait(20);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - a.bmp"));
}

void tst_Show::negativeDelayIsReportedAndStopWorks_data()
{
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("message");
    QTest::newRow("negative interval") << "-1"
                                       << "Error occurred: Invalid property value";
    QTest::newRow("interval beyond 32 bits") << "-3000000"
                                             << "Error occurred: Overflow";
}

void tst_Show::negativeDelayIsReportedAndStopWorks()
{
    QFETCH(QString, delay);
    writeImage(QStringLiteral("a.bmp"), 40, 30);
    play(delay);
    QCOMPARE(m_answers.messages.size(), 1);
    QTEST(m_answers.messages[0].text, "message");
    QCOMPARE(m_answers.messages[0].title, QStringLiteral("Error Occurred"));
    QCOMPARE(m_answers.messages[0].style, 16);
    // Left in show mode, timer off, with "Stop" to get back.
    QVERIFY(m_form->controls()->Frame->isHidden());
    QVERIFY(!m_form->slideShow().isTicking());
    m_answers.choices = { 1 };
    m_form->Form_MouseDown(2);
    QCOMPARE(texts(m_answers.menus.value(0)), QStringList({ "1 Stop", "2 Pause" }));
    QVERIFY(m_form->controls()->Frame->isVisible());
    QVERIFY(m_form->menuBar()->isVisible());
}

void tst_Show::fullScreenShowAndStop()
{
    writeImage(QStringLiteral("wide.bmp"), 1000, 250, Qt::green);
    SlidewellForm& form = startForm();
    const QSize startupSize = form.size();
    const QString caption = form.windowTitle();
    form.controls()->imageDelayComboBox->setCurrentText(QStringLiteral("3"));
    form.controls()->showFileNamesMenu->setChecked(true);
    play(QStringLiteral("3"), true);
    QVERIFY(m_answers.messages.isEmpty());
    QVERIFY(form.windowState().testFlag(Qt::WindowFullScreen));
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form.windowTitle(), caption);
    // Fitted to the whole screen: full width, a band below.
    const QSize screen = form.screen()->geometry().size();
    QCOMPARE(form.controls()->surface->size(), screen);
    QCOMPARE(form.controls()->pictureImage->geometry(),
        QRect(0, 0, screen.width(), qRound(screen.width() / 4.0)));
    QCOMPARE(form.controls()->pictureImage->picture().pixelColor(10, 10), QColor(Qt::green));
    QCOMPARE(tickCaption(), caption);
    // The name at the bottom-left instead.
    QLabel* name = form.controls()->fileNameLabel;
    QVERIFY(name->isVisible());
    QCOMPARE(name->text(), QStringLiteral("wide.bmp"));
    QCOMPARE(name->geometry().bottomLeft(), QPoint(8, screen.height() - 9));

    m_answers.choices = { 1 };
    form.Form_MouseDown(2);
    QVERIFY(!form.windowState().testFlag(Qt::WindowFullScreen));
    QVERIFY(!form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QTRY_COMPARE(form.size(), startupSize);
    QCOMPARE(form.BackColor(), VbColor::windowBackground);
    QVERIFY(form.controls()->pictureImage->isHidden());
    QVERIFY(name->isHidden());
    QVERIFY(form.controls()->Frame->isVisible());
    QVERIFY(form.menuBar()->isVisible());
    QVERIFY(!form.slideShow().isTicking());
    QVERIFY(m_answers.messages.isEmpty());
}

void tst_Show::fitsEachImageToCurrentClientArea_data()
{
    QTest::addColumn<int>("pictureWidth");
    QTest::addColumn<int>("pictureHeight");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<QPoint>("origin");
    // The client area is 640 x 400 pixels: 9600 x 6000 twips.
    QTest::newRow("400x300: band on the right")
        << 400 << 300 << QSize(533, 400) << false << QPoint();
    QTest::newRow("1000x250: band below") << 1000 << 250 << QSize(640, 160) << false << QPoint();
    QTest::newRow("16x16 enlarged") << 16 << 16 << QSize(400, 400) << false << QPoint();
    QTest::newRow("same proportions fill") << 64 << 40 << QSize(640, 400) << false << QPoint();
    // Centred: two bands, equal to the pixel, where 107 pixels split as 53 and 54.
    QTest::newRow("centred: bands left and right")
        << 400 << 300 << QSize(533, 400) << true << QPoint(53, 0);
    QTest::newRow("centred: bands above and below")
        << 1000 << 250 << QSize(640, 160) << true << QPoint(0, 120);
}

void tst_Show::fitsEachImageToCurrentClientArea()
{
    QFETCH(int, pictureWidth);
    QFETCH(int, pictureHeight);
    QFETCH(QSize, shown);
    QFETCH(bool, centred);
    QFETCH(QPoint, origin);
    writeImage(QStringLiteral("a.bmp"), 30, 30);
    writeImage(QStringLiteral("b.bmp"), pictureWidth, pictureHeight, Qt::blue);
    startForm().controls()->centrePicturesMenu->setChecked(centred);
    play();
    // The user resizes the window during the show: the next image takes the new area.
    m_form->resize(640, 400);
    QCOMPARE(m_form->ScaleWidth(), 9600);
    QCOMPARE(m_form->ScaleHeight(), 6000);
    m_form->Timer_Timer();
    ImageControl* picture = m_form->controls()->pictureImage;
    QVERIFY(picture->isVisible());
    QCOMPARE(picture->geometry(), QRect(origin, shown));
    // Decoded near the size shown, never more than twice it; the painter stretches the rest.
    const QSize decoded = picture->picture().size();
    const QSize device = shown * m_form->devicePixelRatioF();
    QVERIFY2(decoded.width() <= 2 * device.width() && decoded.height() <= 2 * device.height(),
        qPrintable(QStringLiteral("decoded %1x%2").arg(decoded.width()).arg(decoded.height())));
    QVERIFY(decoded.width() <= std::max(device.width(), pictureWidth));
    QCOMPARE(
        picture->picture().pixelColor(decoded.width() / 2, decoded.height() / 2), QColor(Qt::blue));
}

void tst_Show::wrapsAroundAndNamesEachImage()
{
    for (const char* name : { "b.bmp", "A.bmp", "c.BMP" })
        writeImage(QString::fromLatin1(name), 20, 20);
    play();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - A.bmp"));
    // b.bmp has been read ahead; rewritten since, it is read again at its tick.
    writeImage(QStringLiteral("b.bmp"), 20, 20, Qt::blue);
    QCOMPARE(tickCaption(), QStringLiteral("Slidewell - b.bmp"));
    QCOMPARE(m_form->controls()->pictureImage->picture().pixelColor(5, 5), QColor(Qt::blue));
    QStringList captions;
    for (int i = 0; i < 5; ++i)
        captions.append(tickCaption());
    QCOMPARE(captions,
        QStringList({ "Slidewell - c.BMP", "Slidewell - A.bmp", "Slidewell - b.bmp",
            "Slidewell - c.BMP", "Slidewell - A.bmp" }));
    QVERIFY(m_answers.messages.isEmpty());
}

void tst_Show::damagedFileShowsBackgroundOnEveryRound()
{
    writeImage(QStringLiteral("1.bmp"), 20, 20);
    QFile damaged(m_dir->filePath(QStringLiteral("2.bmp")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("BM this is no bitmap");
    damaged.close();
    writeImage(QStringLiteral("3.bmp"), 20, 20);
    // Fading: the picture after a failed one simply appears, the next one read ahead fades in.
    startForm().controls()->fadeBetweenPicturesMenu->setChecked(true);
    play();
    ImageControl* picture = m_form->controls()->pictureImage;
    ImageControl* fading = m_form->controls()->fadingPicture;
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(tickCaption(), QStringLiteral("Slidewell - 2.bmp"));
        QVERIFY(picture->isHidden());
        QVERIFY(picture->picture().isNull());
        QCOMPARE(tickCaption(), QStringLiteral("Slidewell - 3.bmp"));
        QVERIFY(picture->isVisible());
        QVERIFY(fading->isHidden());
        QCOMPARE(tickCaption(), QStringLiteral("Slidewell - 1.bmp"));
        QVERIFY(fading->isVisible());
    }
    QVERIFY(m_answers.messages.isEmpty());
}

void tst_Show::animationPlaysOnlyWhileShownAndRunning()
{
    QFile gif(m_dir->filePath(QStringLiteral("a.gif")));
    QVERIFY(gif.open(QIODevice::WriteOnly) && gif.write(ImageBytes::twoFrameGif()) > 0);
    gif.close();
    writeImage(QStringLiteral("b.bmp"), 20, 10, Qt::green);
    startForm().controls()->imageFileFormatComboBox->setCurrentText(QStringLiteral("All Pictures"));
    play();
    const QImage& shown = m_form->controls()->pictureImage->picture();
    const auto right = [&shown] { return shown.pixelColor(shown.width() - 1, 0); };
    QTRY_COMPARE(right(), QColor(Qt::blue));
    QTRY_COMPARE(right(), QColor(Qt::red));
    // No frame of the animation comes after the next picture, nor while the show is paused.
    QCOMPARE(tickCaption(), QStringLiteral("Slidewell - b.bmp"));
    QTest::qWait(300);
    QCOMPARE(right(), QColor(Qt::green));
    QCOMPARE(tickCaption(), QStringLiteral("Slidewell - a.gif"));
    QTRY_COMPARE(right(), QColor(Qt::blue));
    m_answers.choices = { 2 };
    m_form->Form_MouseDown(2);
    const qint64 paused = shown.cacheKey();
    QTest::qWait(300);
    QCOMPARE(shown.cacheKey(), paused);
}

void tst_Show::skipsDirectoriesHiddenFilesAndFifos()
{
    writeImage(QStringLiteral("a.bmp"), 20, 20);
    writeImage(QStringLiteral(".hidden.bmp"), 20, 20);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.bmp")));
    QCOMPARE(
        mkfifo(QFile::encodeName(m_dir->filePath(QStringLiteral("fifo.bmp"))).constData(), 0600),
        0);
    play();
    QStringList captions { m_form->windowTitle() };
    for (int i = 0; i < 3; ++i)
        captions.append(tickCaption());
    QCOMPARE(captions, QStringList(4, QStringLiteral("Slidewell - a.bmp")));
    QVERIFY(m_form->controls()->pictureImage->isVisible());
}

void tst_Show::relativeFolderKeepsShowing()
{
    writeImage(QStringLiteral("a.bmp"), 20, 20);
    writeImage(QStringLiteral("b.bmp"), 20, 20);
    const QDir folder(m_dir->path());
    QVERIFY(QDir::setCurrent(folder.absoluteFilePath(QStringLiteral(".."))));
    startForm();
    m_form->controls()->folderTextBox->setText(folder.dirName());
    m_form->controls()->adjustableSizeOptionButton->setChecked(true);
    m_form->controls()->imageDelayComboBox->setCurrentText(QStringLiteral("3"));
    // The first show makes the folder the current directory; the second must still find it.
    for (int show = 0; show < 2; ++show) {
        m_form->playButton_Click();
        QVERIFY2(m_answers.messages.isEmpty(), qPrintable(m_answers.messages.value(0).text));
        QCOMPARE(QDir::currentPath(), folder.absolutePath());
        for (const char* name : { "b.bmp", "a.bmp" }) {
            QCOMPARE(tickCaption(), QStringLiteral("Slidewell - ") + QLatin1String(name));
            QVERIFY(m_form->controls()->pictureImage->isVisible());
        }
        m_answers.choices = { 1 };
        m_form->Form_MouseDown(2);
    }
    QString stored;
    RegistryToolModule::ReadKeyValue(RegistryToolModule::HKEY_LOCAL_MACHINE,
        QStringLiteral("Software\\Slidewell"), QStringLiteral("imageFolder"), stored);
    QCOMPARE(QDir::cleanPath(stored), folder.absolutePath());
}

// The one test with the real thread pool: a metafile whose helper hangs never holds up the
// window, and Stop kills the helper.
void tst_Show::hangingHelperLeavesWindowAnswering()
{
    QFile::copy(QStringLiteral(SLIDEWELL_TEST_DATA "/metafile-halves.emf"),
        m_dir->filePath(QStringLiteral("a.emf")));
    const QString pidFile = m_config->filePath(QStringLiteral("helper.pid"));
    const QString helper = m_config->filePath(QStringLiteral("hanging-helper"));
    QFile script(helper);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho $$ > '" + QFile::encodeName(pidFile) + "'\nexec sleep 60\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    qputenv("SLIDEWELL_METAFILE_HELPER", QFile::encodeName(helper));
    m_loadInBackground = true;
    startForm();
    qunsetenv("SLIDEWELL_METAFILE_HELPER");
    m_form->controls()->imageFileFormatComboBox->setCurrentText(QStringLiteral("EMF"));
    play();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Slidewell - a.emf"));
    QTRY_VERIFY(QFile::exists(pidFile) && QFile(pidFile).size() > 0);
    QFile pidText(pidFile);
    QVERIFY(pidText.open(QIODevice::ReadOnly));
    const pid_t pid = pid_t(pidText.readAll().trimmed().toInt());
    QVERIFY(pid > 0);
    // The helper still draws, and the window answers the popup menu.
    QCOMPARE(kill(pid, 0), 0);
    m_answers.choices = { 1 };
    m_form->Form_MouseDown(2);
    QCOMPARE(menuTexts(), QStringList({ "1 Stop", "2 Pause" }));
    QVERIFY(m_form->controls()->Frame->isVisible());
    QTRY_VERIFY(kill(pid, 0) != 0);
    QVERIFY(m_form->controls()->pictureImage->isHidden());
}

void tst_Show::popupMenuStateMachine()
{
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp" })
        writeImage(QString::fromLatin1(name), 20, 20);
    play();
    SlidewellForm& form = *m_form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Slidewell - a.bmp"));

    // Left and middle buttons do nothing.
    form.Form_MouseDown(1);
    form.pictureImage_MouseDown(4);
    QVERIFY(m_answers.menus.isEmpty());

    // Dismissed: nothing changes.
    form.Form_MouseDown(2);
    QCOMPARE(menuTexts(), QStringList({ "1 Stop", "2 Pause" }));
    QCOMPARE(m_answers.menuPositions.last(), QPoint(321, 123));
    QVERIFY(m_answers.timerRunningInMenu.last());
    QVERIFY(form.slideShow().isTicking());
    QCOMPARE(form.windowTitle(), QStringLiteral("Slidewell - a.bmp"));

    // Pause: the timer stops, the image stays.
    m_answers.choices = { 2, 0 };
    form.Form_MouseDown(2);
    QVERIFY(!form.slideShow().isTicking());
    QCOMPARE(form.windowTitle(), QStringLiteral("Slidewell - a.bmp"));
    QVERIFY(form.controls()->pictureImage->isVisible());
    form.Form_MouseDown(2);
    QCOMPARE(menuTexts(), QStringList({ "1 Stop", "3 Resume" }));
    QVERIFY(!form.slideShow().isTicking());

    // Resume: the next image at once, the timer running again.
    m_answers.choices = { 3, 0 };
    form.Form_MouseDown(2);
    QVERIFY(form.slideShow().isTicking());
    QCOMPARE(form.windowTitle(), QStringLiteral("Slidewell - b.bmp"));
    form.Form_MouseDown(2);
    QCOMPARE(menuTexts(), QStringList({ "1 Stop", "2 Pause" }));

    // The timer drives the show by itself.
    form.slideShow().setInterval(5);
    QTRY_COMPARE(form.windowTitle(), QStringLiteral("Slidewell - c.bmp"));

    // Stop: back to idle, where a right click opens nothing.
    m_answers.choices = { 1 };
    form.Form_MouseDown(2);
    QVERIFY(!form.slideShow().isTicking());
    const qsizetype menusOpened = m_answers.menus.size();
    form.Form_MouseDown(2);
    QCOMPARE(m_answers.menus.size(), menusOpened);
    // The caption keeps the last image's name.
    QVERIFY(form.windowTitle().startsWith(QStringLiteral("Slidewell - ")));
}

void tst_Show::showKeys()
{
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp" })
        writeImage(QString::fromLatin1(name), 20, 20);
    play();
    SlidewellForm& form = *m_form;
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&form, key, modifiers);
        return form.windowTitle().mid(12);
    };
    // Forward at once; back through the names shown, no further than the first; forward again
    // through those stepped back over, then on with the folder.
    QCOMPARE(QStringList({ press(Qt::Key_Right), press(Qt::Key_PageDown), press(Qt::Key_Left),
                 press(Qt::Key_PageUp), press(Qt::Key_Left), press(Qt::Key_Right),
                 press(Qt::Key_Right), press(Qt::Key_Right) }),
        QStringList({ "b.bmp", "c.bmp", "b.bmp", "a.bmp", "a.bmp", "b.bmp", "c.bmp", "a.bmp" }));
    QVERIFY(form.controls()->pictureImage->isVisible());
    QVERIFY(form.slideShow().isTicking());
    // Space pauses and resumes, with the next picture at once; the menu keys open the menu at
    // the window's centre.
    QCOMPARE(press(Qt::Key_Space), QStringLiteral("a.bmp"));
    QCOMPARE(form.slideShow().state(), SlideShow::State::Paused);
    QCOMPARE(press(Qt::Key_Space), QStringLiteral("b.bmp"));
    QVERIFY(form.slideShow().isTicking());
    press(Qt::Key_Menu);
    press(Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(m_answers.menuPositions, QList<QPoint>(2, form.mapToGlobal(form.rect().center())));
    QCOMPARE(menuTexts(), QStringList({ "1 Stop", "2 Pause" }));
    // Escape stops as the menu's Stop does; afterwards the keys do nothing of the show's.
    press(Qt::Key_Escape);
    QCOMPARE(form.slideShow().state(), SlideShow::State::Idle);
    QVERIFY(form.controls()->Frame->isVisible());
    QVERIFY(form.menuBar()->isVisible());
    QCOMPARE(press(Qt::Key_Right), QStringLiteral("b.bmp"));
    QVERIFY(form.controls()->pictureImage->isHidden());
}

void tst_Show::rightClickOnPictureOpensMenu()
{
    writeImage(QStringLiteral("a.bmp"), 20, 20);
    play();
    ImageControl* picture = m_form->controls()->pictureImage;
    QTest::mouseClick(picture, Qt::LeftButton);
    QVERIFY(m_answers.menus.isEmpty());
    QTest::mousePress(picture, Qt::RightButton);
    QCOMPARE(menuTexts(), QStringList({ "1 Stop", "2 Pause" }));
    QTest::mouseRelease(picture, Qt::RightButton);
}

void tst_Show::stopWhilePausedRestoresWindow()
{
    writeImage(QStringLiteral("a.bmp"), 20, 20);
    SlidewellForm& form = startForm();
    const QSize startupSize = form.size();
    form.controls()->folderTextBox->setText(m_dir->path());
    form.setSwatchColor(0x0000ff);
    play();
    form.resize(500, 420);
    QCOMPARE(form.BackColor(), 0x0000ff);
    m_answers.choices = { 2, 1 };
    form.Form_MouseDown(2);
    form.Form_MouseDown(2);
    QCOMPARE(form.size(), startupSize);
    QCOMPARE(form.BackColor(), VbColor::windowBackground);
    QVERIFY(form.controls()->Frame->isVisible());
    QVERIFY(form.menuBar()->isVisible());
    QVERIFY(form.controls()->pictureImage->isHidden());
    QVERIFY(!form.slideShow().isTicking());
    QCOMPARE(form.windowTitle(), QStringLiteral("Slidewell - a.bmp"));
    QVERIFY(m_answers.messages.isEmpty());

    // A second show starts afresh.
    form.controls()->playButton->click();
    QVERIFY(form.slideShow().isTicking());
    QVERIFY(form.controls()->pictureImage->isVisible());
}

void tst_Show::stopCompletesWhenSavingSizeFails()
{
    writeImage(QStringLiteral("a.bmp"), 20, 20);
    SlidewellForm& form = startForm();
    const QSize startupSize = form.size();
    play();
    QVERIFY(m_answers.messages.isEmpty());
    // A folder where the settings file must go stops the write of the window size.
    const QString file = m_config->filePath(QStringLiteral("Slidewell/Slidewell.conf"));
    QVERIFY(QFile::remove(file));
    QVERIFY(QDir().mkpath(file));
    m_answers.choices = { 1 };
    form.Form_MouseDown(2);

    QCOMPARE(m_answers.messages.size(), 1);
    QVERIFY(m_answers.messages[0].text.startsWith(QStringLiteral("Error occurred: ")));
    QCOMPARE(m_answers.messages[0].title, QStringLiteral("Error Occurred"));
    QCOMPARE(m_answers.messages[0].style, 16);
    // The window was restored all the same.
    QCOMPARE(form.size(), startupSize);
    QVERIFY(form.controls()->Frame->isVisible());
    QVERIFY(form.menuBar()->isVisible());
    QCOMPARE(form.BackColor(), VbColor::windowBackground);
    QVERIFY(!form.slideShow().isTicking());
    form.Form_MouseDown(2);
    QCOMPARE(m_answers.menus.size(), 1);
}

QTEST_MAIN(tst_Show)
#include "tst_Show.moc"
