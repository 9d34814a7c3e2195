// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "settings/RegistryToolModule.h"
#include "ui_SlidewellForm.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

class tst_SettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstRunShowsDesignChoices();
    void loadTakesTextsAsStored();
    void screenSizeSelectsFullOnlyForFull_data();
    void screenSizeSelectsFullOnlyForFull();
    void backgroundColorTakesValidColorsOnly_data();
    void backgroundColorTakesValidColorsOnly();
    void fileFormatSelectsListEntries_data();
    void fileFormatSelectsListEntries();
    void savedSizeParsesStoredNumber_data();
    void savedSizeParsesStoredNumber();
    void savedSizeNeverExceedsScreen();
    void commandLineWinsOverStoredFolder();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void windowSizeSavedOnlyForAdjustableWindow();
    void failedSaveKeepsWhatWasWritten();
    void failedWindowSizeSaveRaises();

private:
    QString userFile() const { return m_home->path() + "/Slidewell/Slidewell.conf"; }
    void store(const QByteArray& lines);
    static QString stored(const QString& name);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_machine;
};

namespace {
FormServices silentServices()
{
    FormServices services;
    services.messageBox = [](QWidget*, const QString& text, const QString&, int) {
        QFAIL(qPrintable(QStringLiteral("unexpected message: ") + text));
    };
    return services;
}

std::unique_ptr<SlidewellForm> newForm(const QStringList& arguments = {})
{
    return std::make_unique<SlidewellForm>(
        QStringList { QStringLiteral("slidewell") } + arguments, silentServices());
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void tst_SettingsStore::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_machine = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid() && m_machine->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_machine->path()));
}

// Writes the settings key with the given "name=value" lines, as a person editing the file would.
void tst_SettingsStore::store(const QByteArray& lines)
{
    QVERIFY(QDir().mkpath(m_home->path() + "/Slidewell"));
    QFile file(userFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Software\\Slidewell]\n" + lines + '\n');
}

QString tst_SettingsStore::stored(const QString& name)
{
    QString text = QStringLiteral("<absent>");
    RegistryToolModule::ReadKeyValue(
        RegistryToolModule::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Slidewell"), name, text);
    return text;
}

void tst_SettingsStore::firstRunShowsDesignChoices()
{
    const auto form = newForm();
    Ui::SlidewellForm* ui = form->controls();
    QCOMPARE(ui->folderTextBox->text(), QString());
    QCOMPARE(ui->imageDelayComboBox->currentText(), QStringLiteral("3"));
    QVERIFY(ui->adjustableSizeOptionButton->isChecked());
    QVERIFY(!ui->fullScreenOptionButton->isChecked());
    QCOMPARE(form->swatchColor(), VbColor::black);
    QCOMPARE(ui->imageFileFormatComboBox->currentText(), QStringLiteral("All Pictures"));
    QVERIFY(!QFileInfo::exists(userFile()));
}

void tst_SettingsStore::loadTakesTextsAsStored()
{
    store(u8"imageFolder=\"  /home/jürgen/Bilder  \"\nimageDelayInSeconds=abc");
    const QByteArray before = fileBytes(userFile());
    const auto form = newForm();
    QCOMPARE(form->controls()->folderTextBox->text(), QString::fromUtf8("  /home/jürgen/Bilder  "));
    // The delay box is editable: any text is taken and checked only when a show starts.
    QCOMPARE(form->controls()->imageDelayComboBox->currentText(), QStringLiteral("abc"));
    QCOMPARE(fileBytes(userFile()), before);
}

void tst_SettingsStore::screenSizeSelectsFullOnlyForFull_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("full");
    QTest::newRow("full") << QByteArray("full") << true;
    QTest::newRow("FULL") << QByteArray("FULL") << true;
    QTest::newRow("Full") << QByteArray("Full") << true;
    QTest::newRow("blank before") << QByteArray("\" full\"") << false;
    QTest::newRow("blank after") << QByteArray("\"full \"") << false;
    QTest::newRow("adjustable") << QByteArray("adjustable") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_SettingsStore::screenSizeSelectsFullOnlyForFull()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, full);
    store("screenSize=" + text);
    const auto form = newForm();
    QCOMPARE(form->controls()->fullScreenOptionButton->isChecked(), full);
    QCOMPARE(form->controls()->adjustableSizeOptionButton->isChecked(), !full);
    QCOMPARE(form->GetScreenSizeSetting(), full ? QStringLiteral("full") : "adjustable");
}

void tst_SettingsStore::backgroundColorTakesValidColorsOnly_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("color");
    QTest::newRow("white") << QByteArray("16777215") << qint32(0xFFFFFF);
    QTest::newRow("no number") << QByteArray("blue") << VbColor::black;
    QTest::newRow("system colour 19") << QByteArray("-2147483629") << VbColor::windowBackground;
    QTest::newRow("half to even") << QByteArray("254.5") << qint32(254);
    QTest::newRow("beyond plain colours") << QByteArray("16777216") << VbColor::black;
    QTest::newRow("no colour") << QByteArray("-1") << VbColor::black;
    QTest::newRow("beyond 32 bits") << QByteArray("99999999999") << VbColor::black;
}

void tst_SettingsStore::backgroundColorTakesValidColorsOnly()
{
    QFETCH(QByteArray, text);
    QFETCH(qint32, color);
    store("backgroundColor=" + text);
    QCOMPARE(newForm()->swatchColor(), color);
}

void tst_SettingsStore::fileFormatSelectsListEntries_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("selected");
    QTest::newRow("JPG") << QByteArray("JPG") << "JPG";
    QTest::newRow("WMF") << QByteArray("WMF") << "WMF";
    QTest::newRow("lower case") << QByteArray("gif") << "GIF";
    QTest::newRow("new format") << QByteArray("webp") << "WEBP";
    QTest::newRow("not in the list") << QByteArray("JPEG") << "";
    QTest::newRow("blank before") << QByteArray("\" BMP\"") << "";
    QTest::newRow("empty") << QByteArray() << "";
}

void tst_SettingsStore::fileFormatSelectsListEntries()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, selected);
    store("fileFormat=" + text);
    QCOMPARE(newForm()->controls()->imageFileFormatComboBox->currentText(), selected);
}

void tst_SettingsStore::savedSizeParsesStoredNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("plain number form") << QByteArray("\" 9600\"") << 9600;
    QTest::newRow("half down to even") << QByteArray("9600.5") << 9600;
    QTest::newRow("half up to even") << QByteArray("9601.5") << 9602;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("no number") << QByteArray("wide") << 0;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("beyond 32 bits") << QByteArray("1e10") << -1;
}

void tst_SettingsStore::savedSizeParsesStoredNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(int, width);
    store("screenWidth=" + text + "\nscreenHeight=" + text);
    const auto form = newForm();
    // -1: absent, so the window's own size.
    if (width < 0) {
        QCOMPARE(form->GetSavedWidth(), form->Width());
        QCOMPARE(form->GetSavedHeight(), form->Height());
    } else {
        QCOMPARE(form->GetSavedWidth(), width);
    }
}

void tst_SettingsStore::savedSizeNeverExceedsScreen()
{
    store("screenWidth=\" 150000\"\nscreenHeight=\" 150000\"");
    const auto form = newForm();
    const QRect area = form->screen()->availableGeometry();
    QVERIFY(area.width() > 100 && area.height() > 100);
    QVERIFY(form->GetSavedWidth() <= Twips::fromPixels(area.width()));
    QVERIFY(form->GetSavedHeight() <= Twips::fromPixels(area.height()));
    QVERIFY(form->GetSavedWidth() > Twips::fromPixels(area.width() - 50));
    QVERIFY(form->GetSavedHeight() > Twips::fromPixels(area.height() - 50));
}

void tst_SettingsStore::commandLineWinsOverStoredFolder()
{
    store("imageFolder=/srv/stored");
    QCOMPARE(newForm({ "/srv/given" })->controls()->folderTextBox->text(), "/srv/given");
    QCOMPARE(newForm({ "   " })->controls()->folderTextBox->text(), "/srv/stored");
}

void tst_SettingsStore::settingsRoundTrip_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<bool>("full");
    QTest::addColumn<qint32>("color");
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("texts");
    // The Show menu's options that the user picks, and the values then stored.
    QTest::addColumn<QStringList>("picked");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("full screen, white, GIF, options picked")
        << QString::fromUtf8("/home/jürgen/写真 ") << "12" << true << qint32(0xFFFFFF) << 3
        << QStringList { QString::fromUtf8("/home/jürgen/写真 "), "12", "full", "16777215", "GIF" }
        << QStringList { "shuffle", "centrePictures", "fadeBetweenPictures", "shuffle",
               "fadeBetweenPictures", "shuffle" }
        << QStringList { "True", "<absent>", "True", "<absent>", "False" };
    // Options never picked are never written: the file stays as it always was.
    QTest::newRow("adjustable, system colour, no format, no options")
        << "/srv/a, b"
        << "2.5" << false << VbColor::windowBackground << -1
        << QStringList { "/srv/a, b", "2.5", "adjustable", "-2147483629", "" } << QStringList()
        << QStringList(5, "<absent>");
}

void tst_SettingsStore::settingsRoundTrip()
{
    QFETCH(QString, folder);
    QFETCH(QString, delay);
    QFETCH(bool, full);
    QFETCH(qint32, color);
    QFETCH(int, format);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, picked);
    QFETCH(QStringList, options);
    const QStringList optionNames { "shuffle", "includeSubfolders", "centrePictures",
        "showFileNames", "fadeBetweenPictures" };
    {
        const auto form = newForm();
        Ui::SlidewellForm* ui = form->controls();
        ui->folderTextBox->setText(folder);
        ui->imageDelayComboBox->setCurrentText(delay);
        (full ? ui->fullScreenOptionButton : ui->adjustableSizeOptionButton)->setChecked(true);
        form->setSwatchColor(color);
        ui->imageFileFormatComboBox->setCurrentIndex(format);
        form->SaveSettings();
        for (const QString& name : picked)
            form->findChild<QAction*>(name + "Menu")->trigger();
    }
    const QStringList names { "imageFolder", "imageDelayInSeconds", "screenSize", "backgroundColor",
        "fileFormat" };
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(stored(names[i]), texts[i]);
    for (int i = 0; i < optionNames.size(); ++i)
        QCOMPARE(stored(optionNames[i]), options[i]);

    const auto form = newForm();
    Ui::SlidewellForm* ui = form->controls();
    QCOMPARE(ui->folderTextBox->text(), folder);
    QCOMPARE(ui->imageDelayComboBox->currentText(), delay);
    QCOMPARE(ui->fullScreenOptionButton->isChecked(), full);
    QCOMPARE(form->swatchColor(), color);
    QCOMPARE(ui->imageFileFormatComboBox->currentIndex(), format);
    for (int i = 0; i < optionNames.size(); ++i)
        QCOMPARE(form->findChild<QAction*>(optionNames[i] + "Menu")->isChecked(),
            options[i] == QLatin1String("True"));
}

void tst_SettingsStore::windowSizeSavedOnlyForAdjustableWindow()
{
    const auto form = newForm();
    form->controls()->adjustableSizeOptionButton->setChecked(true);
    form->setWidth(6000);
    form->setHeight(4500);
    form->SaveWindowSize();
    QCOMPARE(stored("screenWidth"), QStringLiteral(" 6000"));
    QCOMPARE(stored("screenHeight"), QStringLiteral(" 4500"));

    // A full-screen show leaves the last adjustable size in place.
    form->controls()->fullScreenOptionButton->setChecked(true);
    form->setWidth(7500);
    form->SaveWindowSize();
    QCOMPARE(stored("screenWidth"), QStringLiteral(" 6000"));

    const auto next = newForm();
    QCOMPARE(next->GetSavedWidth(), 6000);
    QCOMPARE(next->GetSavedHeight(), 4500);
}

void tst_SettingsStore::failedSaveKeepsWhatWasWritten()
{
    const auto form = newForm();
    Ui::SlidewellForm* ui = form->controls();
    ui->folderTextBox->setText("/old");
    ui->imageFileFormatComboBox->setCurrentIndex(0);
    form->SaveSettings();

    // A file-size limit stands for a full disk and holds for root too: the first two values
    // keep the file's length, the colour's longer text no longer fits.
    ui->folderTextBox->setText("/new");
    ui->imageDelayComboBox->setCurrentText("4");
    form->setSwatchColor(0xFFFFFF);
    ui->imageFileFormatComboBox->setCurrentIndex(3);
    rlimit original {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit limited = original;
    limited.rlim_cur = rlim_t(QFileInfo(userFile()).size() + 3);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString description;
    try {
        form->SaveSettings();
    } catch (const RuntimeError& error) {
        QCOMPARE(error.source(), QStringLiteral("QZT.RegTool"));
        description = error.description();
    }
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY2(description.contains("\"backgroundColor\""), qPrintable(description));
    QVERIFY2(description.contains(userFile()), qPrintable(description));
    QCOMPARE(stored("imageFolder"), QStringLiteral("/new"));
    QCOMPARE(stored("imageDelayInSeconds"), QStringLiteral("4"));
    QCOMPARE(stored("screenSize"), QStringLiteral("adjustable"));
    QCOMPARE(stored("backgroundColor"), QStringLiteral("0"));
    QCOMPARE(stored("fileFormat"), QStringLiteral("BMP"));
}

void tst_SettingsStore::failedWindowSizeSaveRaises()
{
    // A folder where the file must go stops the write, for root too.
    QVERIFY(QDir().mkpath(userFile()));
    const auto form = newForm();
    form->controls()->adjustableSizeOptionButton->setChecked(true);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, form->SaveWindowSize());
    QVERIFY(QFileInfo(userFile()).isDir());
}

QTEST_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
