// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/FormServices.h"
#include "app/SlidewellForm.h"
#include "platform/VbColor.h"
#include "shell/CommonDialogClass.h"
#include "shell/FolderSelectModule.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>

class tst_Choosers : public QObject
{
    Q_OBJECT
private slots:
    void folderChooserReturnsTheChoice_data();
    void folderChooserReturnsTheChoice();
    void folderChooserOpensAtAFolderOnly_data();
    void folderChooserOpensAtAFolderOnly();
    void colourChooserReturnsTheChoice_data();
    void colourChooserReturnsTheChoice();
    void customColoursStartFromTheSystemColoursAtEveryClick();
    void reusedChooserKeepsItsCustomColours();
    void folderButtonKeepsTheBoxOnCancel_data();
    void folderButtonKeepsTheBoxOnCancel();
    void colourButtonRepaintsOnlyOnOk_data();
    void colourButtonRepaintsOnlyOnOk();
    void helpMenuCommandsUseTheirServices();
};

namespace {

// Answers the next modal dialog of type Dialog from inside its exec().
template <typename Dialog> void answer(QObject* context, std::function<void(Dialog*)> respond)
{
    QTimer::singleShot(0, context, [respond] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QApplication::activeModalWidget()->close();
            QFAIL("the expected dialog is not open");
        }
        respond(dialog);
    });
}

FormServices fakeServices(QString folder, qint32 color, QStringList* calls)
{
    FormServices services;
    services.messageBox = [](QWidget*, const QString&, const QString&, int) {};
    services.browseForFolder = [folder, calls](
                                   QWidget*, const QString& start, const QString& title) {
        calls->append(QStringLiteral("browse %1|%2").arg(start, title));
        return folder;
    };
    services.chooseColor = [color, calls](QWidget*, qint32 start) {
        calls->append(QStringLiteral("color %1").arg(start));
        return color;
    };
    services.trackPopupMenu = [](QWidget*, const QList<PopupMenuItem>&, const QPoint&) {
        return 0;
    };
    services.cursorPos = [] { return QPoint(); };
    services.openWebPage = [calls](const QString& address) {
        calls->append(QStringLiteral("open ") + address);
    };
    services.showAbout = [calls] { calls->append(QStringLiteral("about")); };
    return services;
}

} // namespace

void tst_Choosers::folderChooserReturnsTheChoice_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK") << true;
    QTest::newRow("cancel") << false;
}

void tst_Choosers::folderChooserReturnsTheChoice()
{
    QFETCH(bool, accept);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("holiday/beach")));
    const QString start = root.filePath(QStringLiteral("holiday"));
    const QString chosen = root.filePath(QStringLiteral("holiday/beach"));
    answer<QFileDialog>(this, [&](QFileDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Please select a folder:"));
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(dialog->directory().absolutePath(), start);
        dialog->selectFile(chosen);
        // QFileDialog hides accept(); the dialog's own check of the choice runs all the same.
        QDialog* base = dialog;
        accept ? base->accept() : base->reject();
    });
    const QString result = BrowseForFolder(nullptr, start, "Please select a folder:", false, false);
    QCOMPARE(result, accept ? chosen : QString());
}

void tst_Choosers::folderChooserOpensAtAFolderOnly_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("opensThere");
    QTest::newRow("folder") << "holiday" << true;
    QTest::newRow("padded with spaces") << " holiday " << false;
    QTest::newRow("file") << "holiday/notes.txt" << false;
    QTest::newRow("missing") << "elsewhere" << false;
}

void tst_Choosers::folderChooserOpensAtAFolderOnly()
{
    QFETCH(QString, start);
    QFETCH(bool, opensThere);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("holiday")));
    QFile notes(root.filePath(QStringLiteral("holiday/notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    const QString startPath = root.path() + QLatin1Char('/') + start;
    answer<QFileDialog>(this, [&](QFileDialog* dialog) {
        QCOMPARE(dialog->directory().absolutePath() == root.filePath(QStringLiteral("holiday")),
            opensThere);
        dialog->reject();
    });
    QCOMPARE(
        BrowseForFolder(nullptr, startPath, "Please select a folder:", false, false), QString());
}

void tst_Choosers::colourChooserReturnsTheChoice_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<qint32>("result");
    QTest::newRow("OK") << true << true << qint32(0x0033AA11);
    QTest::newRow("cancel") << false << false << qint32(-1);
}

void tst_Choosers::colourChooserReturnsTheChoice()
{
    QFETCH(bool, accept);
    QFETCH(bool, confirmed);
    QFETCH(qint32, result);
    answer<QColorDialog>(this, [&](QColorDialog* dialog) {
        QCOMPARE(dialog->currentColor(), QColor(0x12, 0x34, 0x56));
        dialog->setCurrentColor(QColor(0x11, 0xAA, 0x33));
        accept ? dialog->accept() : dialog->reject();
    });
    CommonDialogClass chooser;
    qint32 color = 0x563412;
    QCOMPARE(chooser.VBChooseColor(color, true, true, false, nullptr), confirmed);
    QCOMPARE(color, result);
}

void tst_Choosers::customColoursStartFromTheSystemColoursAtEveryClick()
{
    const FormServices services = FormServices::standard();
    for (int click = 0; click < 2; ++click) {
        answer<QColorDialog>(this, [](QColorDialog* dialog) {
            for (int i = 0; i < 16; ++i)
                QCOMPARE(QColorDialog::customColor(i).rgb(), VbColor::systemQColor(i).rgb());
            // What the user stores here must not reach the next click.
            QColorDialog::setCustomColor(0, QColor(0xAB, 0xCD, 0xEF));
            dialog->accept();
        });
        services.chooseColor(nullptr, 0);
    }
}

void tst_Choosers::reusedChooserKeepsItsCustomColours()
{
    CommonDialogClass chooser;
    qint32 color = 0;
    answer<QColorDialog>(this, [](QColorDialog* dialog) {
        QColorDialog::setCustomColor(3, QColor(0xAB, 0xCD, 0xEF));
        dialog->reject();
    });
    chooser.VBChooseColor(color, true, true, false, nullptr);
    QCOMPARE(chooser.customColors()[3], qint32(0xEFCDAB));
    QColorDialog::setCustomColor(3, Qt::black);
    answer<QColorDialog>(this, [](QColorDialog* dialog) {
        QCOMPARE(QColorDialog::customColor(3), QColor(0xAB, 0xCD, 0xEF));
        dialog->reject();
    });
    chooser.VBChooseColor(color, true, true, false, nullptr);
}

void tst_Choosers::folderButtonKeepsTheBoxOnCancel_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("after");
    QTest::newRow("OK") << " /photos "
                        << "/home/pictures"
                        << "/home/pictures";
    QTest::newRow("cancel") << " /photos "
                            << ""
                            << " /photos ";
    QTest::newRow("cancel on an empty box") << ""
                                            << ""
                                            << "";
}

void tst_Choosers::folderButtonKeepsTheBoxOnCancel()
{
    QFETCH(QString, before);
    QFETCH(QString, chosen);
    QFETCH(QString, after);
    QStringList calls;
    SlidewellForm form({ QStringLiteral("slidewell") }, fakeServices(chosen, -1, &calls));
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("folderTextBox"));
    box->setText(before);
    form.browseForFolderButton_Click();
    QCOMPARE(
        calls, QStringList { QStringLiteral("browse %1|Please select a folder:").arg(before) });
    QCOMPARE(box->text(), after);
}

void tst_Choosers::colourButtonRepaintsOnlyOnOk_data()
{
    QTest::addColumn<qint32>("chosen");
    QTest::addColumn<qint32>("after");
    QTest::newRow("OK") << qint32(0x0033AA11) << qint32(0x0033AA11);
    QTest::newRow("OK on black") << qint32(0) << qint32(0);
    QTest::newRow("cancel") << qint32(-1) << qint32(0x00123456);
}

void tst_Choosers::colourButtonRepaintsOnlyOnOk()
{
    QFETCH(qint32, chosen);
    QFETCH(qint32, after);
    QStringList calls;
    SlidewellForm form({ QStringLiteral("slidewell") }, fakeServices(QString(), chosen, &calls));
    form.setSwatchColor(0x00123456);
    form.changeBackgroundColorButton_Click();
    QCOMPARE(calls, QStringList { QStringLiteral("color %1").arg(0x00123456) });
    QCOMPARE(form.swatchColor(), after);
}

void tst_Choosers::helpMenuCommandsUseTheirServices()
{
    QStringList calls;
    SlidewellForm form({ QStringLiteral("slidewell") }, fakeServices(QString(), -1, &calls));
    form.aboutSlidewellMenu_Click();
    form.onlineUsersGuideMenu_Click();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.first(), QStringLiteral("about"));
    const QUrl guide(calls.last().mid(5));
    QVERIFY2(
        guide.isLocalFile() && QFileInfo(guide.toLocalFile()).isFile(), qPrintable(calls.last()));
}

QTEST_MAIN(tst_Choosers)
#include "tst_Choosers.moc"
