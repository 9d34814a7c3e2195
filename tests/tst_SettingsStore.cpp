// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "settings/SettingsFile.h"
#include "tests/TestSupport.h"
#include "ui_SlidewellForm.h"

#include <QMenu>
#include <QScreen>

using namespace TestSupport;

class tst_SettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void startUpShowsStoredSettings_data();
    void startUpShowsStoredSettings();
    void commandLineWinsOverStoredFolder();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
};

namespace {

const QStringList optionNames { "shuffle", "includeSubfolders", "centrePictures", "showFileNames" };

QString stored(const QString& name)
{
    return SettingsFile::user().value("Software/Slidewell", name).value_or("<absent>");
}

// A saved size in twips as "window" (the window's own), "screen" (the screen's free area, less
// at most a frame) or the number.
QString sizeText(qint32 saved, qint32 own, int screen)
{
    const bool fills = saved <= Twips::fromPixels(screen) && saved > Twips::fromPixels(screen - 50);
    return saved == own ? "window" : fills ? "screen" : QString::number(saved);
}

// What the window shows of the settings: "folder", "delay", "screen", "colour", "format",
// "size" (the saved width and height), "duration" and "transition" (the choice in that menu) or
// "options" (the names of the Show menu's options on).
QString shown(SlidewellForm& form, const QString& what)
{
    Ui::SlidewellForm* ui = form.controls();
    const QRect area = form.screen()->availableGeometry();
    if (what == QLatin1String("folder"))
        return ui->folderTextBox->text();
    if (what == QLatin1String("delay"))
        return ui->imageDelayComboBox->currentText();
    if (what == QLatin1String("screen"))
        return form.GetScreenSizeSetting();
    if (what == QLatin1String("colour"))
        return QString::number(form.swatchColor());
    if (what == QLatin1String("format"))
        return ui->imageFileFormatComboBox->currentText();
    if (what == QLatin1String("size"))
        return sizeText(form.GetSavedWidth(), form.Width(), area.width()) + u' '
            + sizeText(form.GetSavedHeight(), form.Height(), area.height());
    if (what == QLatin1String("duration") || what == QLatin1String("transition")) {
        QStringList checked;
        const QMenu* menu =
            what == QLatin1String("duration") ? ui->transitionDurationMenu : ui->transitionMenu;
        for (const QAction* option : menu->actions()) {
            if (option->isChecked())
                checked.append(option->objectName());
        }
        return checked.join(u' ');
    }
    QStringList on;
    for (const QString& name : optionNames) {
        if (form.findChild<QAction*>(name + "Menu")->isChecked())
            on.append(name);
    }
    return on.join(u' ');
}

} // namespace

void tst_SettingsStore::startUpShowsStoredSettings_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("expected");
    const QByteArray none;
    QTest::newRow("first run: every picture") << "format" << none << "All Pictures";
    QTest::newRow("folder as stored")
        << "folder" << QByteArray(u8"imageFolder=\"  /home/jürgen/Bilder  \"")
        << QString::fromUtf8("  /home/jürgen/Bilder  ");
    // The delay box is editable: any text is taken and checked only when a show starts.
    QTest::newRow("any delay text") << "delay" << QByteArray("imageDelayInSeconds=abc") << "abc";
    QTest::newRow("FULL") << "screen" << QByteArray("screenSize=FULL") << "full";
    QTest::newRow("blank before") << "screen" << QByteArray("screenSize=\" full\"") << "adjustable";
    QTest::newRow("system colour 19")
        << "colour" << QByteArray("backgroundColor=-2147483629") << "-2147483629";
    QTest::newRow("beyond plain colours")
        << "colour" << QByteArray("backgroundColor=16777216") << "0";
    QTest::newRow("format in lower case") << "format" << QByteArray("fileFormat=gif") << "GIF";
    QTest::newRow("blank before format") << "format" << QByteArray("fileFormat=\" BMP\"") << "";
    QTest::newRow("format stored empty") << "format" << QByteArray("fileFormat=") << "";
    QTest::newRow("plain number form")
        << "size" << QByteArray("screenWidth=\" 7200\"\nscreenHeight=4800") << "7200 4800";
    QTest::newRow("size overflow")
        << "size" << QByteArray("screenWidth=1e10\nscreenHeight=-1e10") << "window window";
    QTest::newRow("larger than the screen")
        << "size" << QByteArray("screenWidth=\" 150000\"\nscreenHeight=150000") << "screen screen";
    QTest::newRow("options stored on")
        << "options" << QByteArray("shuffle=True\ncentrePictures=true\nshowFileNames=yes")
        << "shuffle centrePictures";
    QTest::newRow("first run: half a second") << "duration" << none << "duration500Menu";
    QTest::newRow("duration stored")
        << "duration" << QByteArray("transitionDuration=2000") << "duration2000Menu";
    QTest::newRow("duration not offered")
        << "duration" << QByteArray("transitionDuration=400") << "duration500Menu";
    QTest::newRow("first run: a cut") << "transition" << none << "transitionNoneMenu";
    QTest::newRow("the fade of before")
        << "transition" << QByteArray("fadeBetweenPictures=True") << "transitionFadeMenu";
    QTest::newRow("a kind wins over the fade of before")
        << "transition" << QByteArray("transition=Wipe\nfadeBetweenPictures=True")
        << "transitionWipeMenu";
    QTest::newRow("kind unknown") << "transition" << QByteArray("transition=spin")
                                  << "transitionNoneMenu";
}

// Start-up shows what it can make of the stored texts and never writes the file.
void tst_SettingsStore::startUpShowsStoredSettings()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, what);
    QFETCH(QString, expected);
    ShowFixture fixture;
    if (!lines.isNull())
        QVERIFY(writeFile(fixture.settingsFile(), "[Software\\Slidewell]\n" + lines + '\n'));
    const QByteArray before = readFile(fixture.settingsFile());
    QCOMPARE(shown(fixture.form(), what), expected);
    QCOMPARE(readFile(fixture.settingsFile()), before);
    QCOMPARE(QFileInfo::exists(fixture.settingsFile()), !lines.isNull());
    QVERIFY(fixture.answers.messages.isEmpty());
}

void tst_SettingsStore::commandLineWinsOverStoredFolder()
{
    ShowFixture fixture;
    QVERIFY(writeFile(fixture.settingsFile(), "[Software\\Slidewell]\nimageFolder=/srv/stored\n"));
    QCOMPARE(fixture.form({ "/srv/given" }).controls()->folderTextBox->text(), "/srv/given");
}

void tst_SettingsStore::settingsRoundTrip_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<bool>("full");
    QTest::addColumn<qint32>("color");
    QTest::addColumn<QString>("format");
    // The Show menu's options that the user picks, in order.
    QTest::addColumn<QStringList>("picked");
    // What is then stored: the five settings, the window's width, the four options and the
    // transition's length and kind.
    QTest::addColumn<QStringList>("texts");
    const QString folder = QString::fromUtf8("/home/jürgen/写真 ");
    // The size of a full-screen show is not the window's; options never picked are never written.
    QTest::newRow("full screen, white, GIF, options picked")
        << folder << "12" << true << qint32(0xFFFFFF) << "GIF"
        << QStringList { "shuffle", "centrePictures", "transitionZoom", "shuffle",
               "transitionRandom", "shuffle", "duration3000" }
        << QStringList { folder, "12", "full", "16777215", "GIF", "<absent>", "True", "<absent>",
               "True", "<absent>", "3000", "random" };
    QTest::newRow("adjustable, system colour, no format, no options")
        << "/srv/a, b"
        << "2.5" << false << VbColor::windowBackground << "" << QStringList()
        << QStringList { "/srv/a, b", "2.5", "adjustable", "-2147483629", "", " 6000" }
            + QStringList(6, "<absent>");
}

void tst_SettingsStore::settingsRoundTrip()
{
    QFETCH(QString, folder);
    QFETCH(QString, delay);
    QFETCH(bool, full);
    QFETCH(qint32, color);
    QFETCH(QString, format);
    QFETCH(QStringList, picked);
    QFETCH(QStringList, texts);
    ShowFixture fixture;
    SlidewellForm& form = fixture.form();
    Ui::SlidewellForm* ui = form.controls();
    ui->folderTextBox->setText(folder);
    ui->imageDelayComboBox->setCurrentText(delay);
    (full ? ui->fullScreenOptionButton : ui->adjustableSizeOptionButton)->setChecked(true);
    form.setSwatchColor(color);
    ui->imageFileFormatComboBox->setCurrentIndex(ui->imageFileFormatComboBox->findText(format));
    form.setWidth(6000);
    form.setHeight(4500);
    form.SaveSettings();
    form.SaveWindowSize();
    for (const QString& name : picked)
        form.findChild<QAction*>(name + "Menu")->trigger();

    const QStringList names = QStringList { "imageFolder", "imageDelayInSeconds", "screenSize",
        "backgroundColor", "fileFormat", "screenWidth" }
        + optionNames + QStringList { "transitionDuration", "transition" };
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(stored(names[i]), texts[i]);

    Answers answers;
    SlidewellForm next({ "slidewell" }, recordingServices(answers));
    for (const char* what :
        { "folder", "delay", "screen", "colour", "format", "options", "duration", "transition" })
        QCOMPARE(shown(next, what), shown(form, what));
    QCOMPARE(shown(next, "size"), full ? "window window" : "6000 4500");
    QVERIFY(answers.messages.isEmpty() && fixture.answers.messages.isEmpty());
}

QTEST_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
