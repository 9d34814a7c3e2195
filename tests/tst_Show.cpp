// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/VbColor.h"
#include "tests/TestSupport.h"
#include "ui_SlidewellForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QMenuBar>
#include <QScopeGuard>

#include <csignal>

using namespace TestSupport;

class tst_Show : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void playChecksItsSettings_data();
    void playChecksItsSettings();
    void showsTheFolderInOrder_data();
    void showsTheFolderInOrder();
    void commandLineFillsFolderBox_data();
    void commandLineFillsFolderBox();
    void enterPressesPlay_data();
    void enterPressesPlay();
    void menuAndKeysDriveTheShow_data();
    void menuAndKeysDriveTheShow();
    void stopRestoresTheWindow_data();
    void stopRestoresTheWindow();
    void transitionsNeverHoldUpTheShow_data();
    void transitionsNeverHoldUpTheShow();
    void animationPlaysOnlyWhileShownAndRunning();
    void hangingHelperLeavesTheWindowAnswering();
    void settingsControlsKeepClear_data();
    void settingsControlsKeepClear();

private:
    QString act(const QString& step);

    std::unique_ptr<ShowFixture> m_show;
};

void tst_Show::init() { m_show = std::make_unique<ShowFixture>(); }

void tst_Show::cleanup() { m_show.reset(); }

// Does what a user does during a show and tells what is shown after it: the picture's name ("-"
// for none), whether the timer runs, and a menu opened meanwhile, with its items and place.
QString tst_Show::act(const QString& step)
{
    static const QStringList choices { "dismiss", "Stop", "Pause", "Resume" };
    static const QHash<QString, Qt::Key> keys { { "Right", Qt::Key_Right },
        { "PageDown", Qt::Key_PageDown }, { "Left", Qt::Key_Left }, { "PageUp", Qt::Key_PageUp },
        { "Space", Qt::Key_Space }, { "Escape", Qt::Key_Escape }, { "Menu", Qt::Key_Menu } };
    SlidewellForm& form = m_show->form();
    Answers& answers = m_show->answers;
    ImageControl* picture = m_show->ui()->pictureImage;
    const qsizetype menus = answers.menus.size();
    const bool ticking = form.slideShow().isTicking();
    if (choices.contains(step)) {
        answers.choices = { int(choices.indexOf(step)) };
        form.Form_MouseDown(2);
    } else if (step.endsWith(QLatin1String("click"))) {
        QTest::mouseClick(picture, step.startsWith(u'r') ? Qt::RightButton : Qt::LeftButton);
    } else if (step == QLatin1String("Shift+F10")) {
        QTest::keyClick(&form, Qt::Key_F10, Qt::ShiftModifier);
    } else {
        QTest::keyClick(&form, keys.value(step));
    }
    QString shown = (picture->isVisible() ? form.windowTitle().mid(12) : QStringLiteral("-"))
        + (form.slideShow().isTicking() ? " ticking" : " still");
    if (answers.menus.size() > menus) {
        const QPoint at = answers.menuPositions.last();
        shown += " [" + answers.lastMenu().join(", ") + "] at "
            + (at == form.mapToGlobal(form.rect().center()) ? "centre" : "pointer");
        // The timer neither stops nor starts while the menu is open.
        if (answers.timerRunningInMenu.last() != ticking)
            shown += QStringLiteral(" (timer changed in the menu)");
    }
    return shown;
}

void tst_Show::playChecksItsSettings_data()
{
    // The folder is a name in the picture folder, or blanks as they are.
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("interval");
    const auto row = [](const char* name, const char* delay, const QString& message,
                         int interval = 0, const char* folder = "", const char* format = "JPG") {
        QTest::newRow(name) << delay << folder << format << message << interval;
    };
    const auto noFiles = [](const char* format) {
        return QStringLiteral("No Image Files Found: The folder selected does not contain any ")
            + format
            + " image files.\r\nPlease select another folder or change File Format and try again.";
    };
    row("delay before folder", "", "Invalid Seconds: Seconds cannot be empty.", 0, "  ");
    row("number and word", "3 s", "Invalid Number: Please enter a valid number.");
    row("66", "66", "Seconds Too Large: Seconds must be below 66.");
    row("65.5", "65.5", "Seconds Too Large: Seconds must be below 66.");
    row("blank folder", "3", "Folder Empty: Please select a folder.", 0, "  ");
    row("no BMP files", "3", noFiles("BMP"), 0, "", "BMP");
    row("missing folder", "3", noFiles("JPG"), 0, "missing");
    row("a file for a folder", "3", "Error Occurred: Error occurred: Not a directory", 0, "a.jpeg");
    row("negative delay", "-1", "Error Occurred: Error occurred: Invalid property value");
    row("delay beyond 32 bits", "-3000000", "Error Occurred: Error occurred: Overflow");
    row("65", "65", "", 65000);
    row("3.5 to even", "3.5", "", 4000, "", "All Pictures");
    row("0: the first picture stays", "0", "", 0);
}

void tst_Show::playChecksItsSettings()
{
    QFETCH(QString, delay);
    QFETCH(QString, folder);
    QFETCH(QString, format);
    QFETCH(QString, message);
    QFETCH(int, interval);
    QVERIFY(writeImage(m_show->picture(QStringLiteral("a.jpeg")), 8, 8));
    SlidewellForm& form = m_show->form();
    Ui::SlidewellForm* ui = m_show->ui();
    m_show->play(delay, false, format,
        folder.trimmed().isEmpty() && !folder.isEmpty() ? folder : m_show->picture(folder));
    QStringList shown;
    for (const Message& box : m_show->answers.messages) {
        shown.append(box.title + QStringLiteral(": ") + box.text);
        QCOMPARE(box.style, box.title == QLatin1String("Error Occurred") ? 16 : 64);
    }
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList { message });
    QCOMPARE(form.slideShow().isTicking(), interval > 0);
    if (message.isEmpty()) {
        QCOMPARE(form.slideShow().interval(), interval);
        QVERIFY(ui->Frame->isHidden());
        QVERIFY(ui->pictureImage->isVisible());
    }
    // An error after the show began leaves its menu's Stop to get back.
    m_show->stop();
    QVERIFY(ui->Frame->isVisible());
}

void tst_Show::showsTheFolderInOrder_data()
{
    QTest::addColumn<bool>("relative");
    QTest::newRow("absolute folder") << false;
    QTest::newRow("relative folder") << true;
}

void tst_Show::showsTheFolderInOrder()
{
    QFETCH(bool, relative);
    for (const char* name : { "b.bmp", "A.bmp", "c.BMP" })
        QVERIFY(writeImage(m_show->picture(QLatin1String(name)), 20, 20));
    const QDir folder(m_show->picturesPath());
    QVERIFY(QDir::setCurrent(folder.absoluteFilePath(QStringLiteral(".."))));
    SlidewellForm& form = m_show->form();
    // The first show makes the folder the current directory; the second must still find it.
    for (const QColor color : { Qt::green, Qt::blue }) {
        m_show->play(QStringLiteral("3"), false, QStringLiteral("BMP"),
            relative ? folder.dirName() : QString());
        // b.bmp has been read ahead; rewritten since, it is read again at its tick.
        QVERIFY(writeImage(m_show->picture(QStringLiteral("b.bmp")), 20, 20, color));
        QStringList captions { form.windowTitle(), m_show->tick() };
        QCOMPARE(m_show->ui()->pictureImage->picture().pixelColor(5, 5), color);
        for (int tick = 0; tick < 4; ++tick)
            captions.append(m_show->tick());
        QCOMPARE(captions,
            QStringList({ "Slidewell - A.bmp", "Slidewell - b.bmp", "Slidewell - c.BMP",
                "Slidewell - A.bmp", "Slidewell - b.bmp", "Slidewell - c.BMP" }));
        m_show->stop();
    }
    QVERIFY2(
        m_show->answers.messages.isEmpty(), qPrintable(m_show->answers.messageTexts().value(0)));
    // Stored as the absolute folder.
    QVERIFY(readFile(m_show->settingsFile())
                .contains("imageFolder=" + QFile::encodeName(folder.absolutePath())));
}

void tst_Show::commandLineFillsFolderBox_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");
    QTest::newRow("file URI") << QStringList { "file:///home/my%20photos" } << "/home/my photos";
    QTest::newRow("home") << QStringList { "~/Pictures" } << QDir::homePath() + "/Pictures";
    QTest::newRow("blanks only") << QStringList { "   " } << "";
}

void tst_Show::commandLineFillsFolderBox()
{
    QFETCH(QStringList, arguments);
    QTEST(m_show->form(arguments).controls()->folderTextBox->text(), "folder");
}

void tst_Show::enterPressesPlay_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Return") << Qt::Key_Return << Qt::KeyboardModifiers();
    QTest::newRow("keypad Enter") << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier);
}

void tst_Show::enterPressesPlay()
{
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QVERIFY(QTest::qWaitForWindowActive(&m_show->form()));
    // Enter in the editable delay box after typing: play, and no new item in its list.
    QComboBox* delay = m_show->ui()->imageDelayComboBox;
    const int items = delay->count();
    delay->setFocus();
    QTest::keyClicks(delay, QStringLiteral("7"));
    QTest::keyClick(delay, key, modifiers);
    QCOMPARE(m_show->answers.messageTexts(), QStringList { "Please select a folder." });
    QCOMPARE(delay->count(), items);
}

void tst_Show::menuAndKeysDriveTheShow_data()
{
    // Each line: what the user does, then what is shown after it.
    QTest::addColumn<QStringList>("script");
    QTest::newRow("back no further than the first, forward again and on")
        << QStringList { "Right: b.bmp ticking", "PageDown: c.bmp ticking", "Left: b.bmp ticking",
               "PageUp: a.bmp ticking", "Left: a.bmp ticking", "Right: b.bmp ticking",
               "Right: c.bmp ticking", "Right: a.bmp ticking" };
    QTest::newRow("Pause and Resume from the menu")
        << QStringList { "dismiss: a.bmp ticking [1 Stop, 2 Pause] at pointer",
               "Pause: a.bmp still [1 Stop, 2 Pause] at pointer",
               "dismiss: a.bmp still [1 Stop, 3 Resume] at pointer",
               "Resume: b.bmp ticking [1 Stop, 3 Resume] at pointer",
               "dismiss: b.bmp ticking [1 Stop, 2 Pause] at pointer" };
    QTest::newRow("Space pauses and resumes, the menu keys open at the centre")
        << QStringList { "Space: a.bmp still", "Menu: a.bmp still [1 Stop, 3 Resume] at centre",
               "Space: b.bmp ticking", "Shift+F10: b.bmp ticking [1 Stop, 2 Pause] at centre" };
    QTest::newRow("only the right button opens the menu")
        << QStringList { "left click: a.bmp ticking",
               "right click: a.bmp ticking [1 Stop, 2 Pause] at pointer" };
    QTest::newRow("Escape, then neither keys nor menu")
        << QStringList { "Escape: - still", "Right: - still", "Menu: - still", "dismiss: - still" };
}

void tst_Show::menuAndKeysDriveTheShow()
{
    QFETCH(QStringList, script);
    for (const char* name : { "a.bmp", "b.bmp", "c.bmp" })
        QVERIFY(writeImage(m_show->picture(QLatin1String(name)), 20, 20));
    m_show->play();
    QStringList done;
    for (const QString& line : script) {
        const QString step = line.section(QStringLiteral(": "), 0, 0);
        done.append(step + QStringLiteral(": ") + act(step));
    }
    QCOMPARE(done, script);
}

void tst_Show::stopRestoresTheWindow_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("saveFails");
    QTest::newRow("menu Stop") << false << QStringList { "Stop" } << false;
    QTest::newRow("menu Stop in full screen") << true << QStringList { "Stop" } << false;
    QTest::newRow("Stop while paused") << false << QStringList { "Pause", "Stop" } << false;
    QTest::newRow("Escape in full screen") << true << QStringList { "Escape" } << false;
    QTest::newRow("saving the size fails") << false << QStringList { "Stop" } << true;
}

void tst_Show::stopRestoresTheWindow()
{
    QFETCH(bool, fullScreen);
    QFETCH(QStringList, steps);
    QFETCH(bool, saveFails);
    QVERIFY(writeImage(m_show->picture(QStringLiteral("a.bmp")), 20, 20));
    // The size of an earlier adjustable show, 500 x 420 pixels.
    QVERIFY(writeFile(
        m_show->settingsFile(), "[Software\\Slidewell]\nscreenWidth=7500\nscreenHeight=6300\n"));
    SlidewellForm& form = m_show->form();
    Ui::SlidewellForm* ui = m_show->ui();
    const QSize startup = form.size();
    form.setSwatchColor(0x0000ff);
    ui->showFileNamesMenu->setChecked(true);
    m_show->play(QStringLiteral("3"), fullScreen);
    // Full screen: no frame and no caption, the name in the picture's corner instead.
    QCOMPARE(form.windowState().testFlag(Qt::WindowFullScreen), fullScreen);
    QCOMPARE(form.windowFlags().testFlag(Qt::FramelessWindowHint), fullScreen);
    QCOMPARE(form.windowTitle().endsWith(QLatin1String(" - a.bmp")), !fullScreen);
    QCOMPARE(ui->fileNameLabel->isVisible(), fullScreen);
    QCOMPARE(form.BackColor(), 0x0000ff);
    if (!fullScreen) {
        // The picture read ahead for the old size is not used: the next one fills the new one.
        form.resize(520, 440);
        m_show->tick();
        QCOMPARE(ui->pictureImage->geometry(), QRect(0, 0, 440, 440));
    }
    if (saveFails) {
        // A folder where the settings file must go stops the write of the window size.
        QVERIFY(QFile::remove(m_show->settingsFile()));
        QVERIFY(QDir().mkpath(m_show->settingsFile()));
    }
    // The pointer hides once it has stood still a while (a move the window's change of size makes
    // may restart the while), in full screen only.
    QTest::qWait(2100);
    QTRY_COMPARE(form.pointerHider().isHidden(), fullScreen);
    for (const QString& step : steps)
        act(step);

    QCOMPARE(m_show->answers.messages.size(), int(saveFails));
    if (saveFails)
        QVERIFY(m_show->answers.messages[0].text.startsWith(QStringLiteral("Error occurred: ")));
    QVERIFY(!form.windowState().testFlag(Qt::WindowFullScreen));
    QVERIFY(!form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QTRY_COMPARE(form.size(), startup);
    QCOMPARE(form.BackColor(), VbColor::windowBackground);
    QVERIFY(ui->pictureImage->isHidden() && ui->fileNameLabel->isHidden());
    QVERIFY(ui->Frame->isVisible() && form.menuBar()->isVisible());
    QVERIFY(!form.slideShow().isTicking() && !form.pointerHider().isHidden());
    if (saveFails)
        return;
    // The size of an adjustable show is kept for the next one.
    m_show->play();
    QCOMPARE(form.size(), fullScreen ? QSize(500, 420) : QSize(520, 440));
}

void tst_Show::transitionsNeverHoldUpTheShow_data()
{
    // Each line: what the user does, then the colour in the picture's middle ("-": none shown)
    // and whether a transition runs. The pictures are a red, b green and c blue; the transitions
    // take 2 s, so one that has just begun still shows the picture before.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("script");
    QTest::newRow("None is a cut") << "None" << QStringList { "tick: green still" };
    QTest::newRow("a tick ends the transition and starts the next, Pause ends it")
        << "Fade" << QStringList { "tick: red moving", "tick: green moving", "Pause: blue still" };
    QTest::newRow("a key ends it; a picture not read ahead simply appears")
        << "Push" << QStringList { "Right: red moving", "Left: red still" };
    QTest::newRow("Stop ends it") << "Random"
                                  << QStringList { "tick: red moving", "Stop: - still" };
}

void tst_Show::transitionsNeverHoldUpTheShow()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, script);
    const QHash<QRgb, QString> colours { { qRgb(255, 0, 0), "red" }, { qRgb(0, 255, 0), "green" },
        { qRgb(0, 0, 255), "blue" } };
    for (const auto& [name, colour] : { std::pair("a.bmp", Qt::red), std::pair("b.bmp", Qt::green),
             std::pair("c.bmp", Qt::blue) })
        QVERIFY(writeImage(m_show->picture(QLatin1String(name)), 20, 20, colour));
    Ui::SlidewellForm* ui = m_show->ui();
    m_show->form().findChild<QAction*>("transition" + kind + "Menu")->setChecked(true);
    ui->duration2000Menu->setChecked(true);
    m_show->play(QStringLiteral("10"));
    QStringList done;
    for (const QString& line : script) {
        const QString step = line.section(QStringLiteral(": "), 0, 0);
        step == QLatin1String("tick") ? void(m_show->tick()) : void(act(step));
        const QRgb middle =
            ui->surface->grab().toImage().pixel(ui->pictureImage->geometry().center());
        done.append(step + ": "
            + (ui->pictureImage->isVisible() ? colours.value(middle, QString::number(middle, 16))
                                             : QStringLiteral("-"))
            + (ui->transitionCanvas->isVisible() ? " moving" : " still"));
    }
    QCOMPARE(done, script);
}

void tst_Show::animationPlaysOnlyWhileShownAndRunning()
{
    QVERIFY(writeFile(m_show->picture(QStringLiteral("a.gif")),
        testData(QStringLiteral("pictures/two-frames.gif"))));
    QVERIFY(writeImage(m_show->picture(QStringLiteral("b.bmp")), 20, 10, Qt::green));
    m_show->play();
    const QImage& shown = m_show->ui()->pictureImage->picture();
    const auto right = [&shown] { return shown.pixelColor(shown.width() - 1, 0); };
    QTRY_COMPARE(right(), QColor(Qt::blue));
    QTRY_COMPARE(right(), QColor(Qt::red));
    // No frame of the animation comes after the next picture, nor while the show is paused.
    QCOMPARE(m_show->tick(), QStringLiteral("Slidewell - b.bmp"));
    QTest::qWait(300);
    QCOMPARE(right(), QColor(Qt::green));
    QCOMPARE(m_show->tick(), QStringLiteral("Slidewell - a.gif"));
    QTRY_COMPARE(right(), QColor(Qt::blue));
    act(QStringLiteral("Pause"));
    const qint64 paused = shown.cacheKey();
    QTest::qWait(300);
    QCOMPARE(shown.cacheKey(), paused);
}

// The one test with the real thread pool: a metafile whose helper hangs never holds up the
// window, and Stop kills the helper.
void tst_Show::hangingHelperLeavesTheWindowAnswering()
{
    QVERIFY(writeFile(
        m_show->picture(QStringLiteral("a.emf")), testData(QStringLiteral("metafile-halves.emf"))));
    const QString pidFile = m_show->picture(QStringLiteral("helper.pid"));
    const QString helper = m_show->picture(QStringLiteral("hanging-helper"));
    QVERIFY(writeFile(
        helper, "#!/bin/sh\necho $$ > '" + QFile::encodeName(pidFile) + "'\nexec sleep 60\n"));
    QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::ExeOwner));
    qputenv("SLIDEWELL_METAFILE_HELPER", QFile::encodeName(helper));
    m_show->loadInBackground = true;
    m_show->form();
    qunsetenv("SLIDEWELL_METAFILE_HELPER");
    m_show->play(QStringLiteral("3"), false, QStringLiteral("EMF"));
    QTRY_VERIFY(readFile(pidFile).endsWith('\n'));
    const pid_t pid = pid_t(readFile(pidFile).trimmed().toInt());
    QCOMPARE(kill(pid, 0), 0);
    QCOMPARE(act(QStringLiteral("Stop")), QStringLiteral("- still [1 Stop, 2 Pause] at pointer"));
    QTRY_VERIFY(kill(pid, 0) != 0);
}

void tst_Show::settingsControlsKeepClear_data()
{
    QTest::addColumn<int>("points");
    for (const int points : { 9, 10, 11 })
        QTest::addRow("%d pt", points) << points;
}

// Whatever the desktop's font, no caption runs into the box beside it and every option button
// sits below its frame's title.
void tst_Show::settingsControlsKeepClear()
{
    const auto restore =
        qScopeGuard([before = QApplication::font()] { QApplication::setFont(before); });
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);
    const Ui::SlidewellForm* ui = m_show->ui();
    QList<QWidget*> controls;
    for (QObject* child : ui->Frame->children()) {
        if (auto* control = qobject_cast<QWidget*>(child); control && control->isVisible())
            controls << control;
    }
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                qPrintable(controls[i]->objectName() + " / " + controls[j]->objectName()));
        }
    }
    for (const auto* button : ui->ScreenSzieFrame->findChildren<QWidget*>())
        QVERIFY2(ui->ScreenSzieFrame->contentsRect().contains(button->geometry()),
            qPrintable(button->objectName()));
}

QTEST_MAIN(tst_Show)
#include "tst_Show.moc"
