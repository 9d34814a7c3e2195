// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/VbColor.h"
#include "shell/CommonDialogClass.h"
#include "shell/FolderSelectModule.h"
#include "tests/TestSupport.h"
#include "ui_SlidewellForm.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QTimer>
#include <QUrl>

#include <functional>

using namespace TestSupport;

class tst_Choosers : public QObject
{
    Q_OBJECT
private slots:
    void folderChooserOpensAtAFolderOnly_data();
    void folderChooserOpensAtAFolderOnly();
    void colourChooserKeepsItsColours();
    void formTakesAChoiceOnlyOnOk_data();
    void formTakesAChoiceOnlyOnOk();
    void usersGuideOpensTheInstalledPage();
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

} // namespace

void tst_Choosers::folderChooserOpensAtAFolderOnly_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("opensThere");
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK") << "holiday" << true << true;
    QTest::newRow("cancel") << "holiday" << true << false;
    QTest::newRow("padded with spaces") << " holiday " << false << false;
    QTest::newRow("a file") << "holiday/notes.txt" << false << false;
}

void tst_Choosers::folderChooserOpensAtAFolderOnly()
{
    QFETCH(QString, start);
    QFETCH(bool, opensThere);
    QFETCH(bool, accept);
    QTemporaryDir root;
    QVERIFY(writeFile(root.filePath(QStringLiteral("holiday/notes.txt")), "notes"));
    const QString chosen = root.filePath(QStringLiteral("holiday"));
    answer<QFileDialog>(this, [&](QFileDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Please select a folder:"));
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(dialog->directory().absolutePath() == chosen, opensThere);
        dialog->selectFile(chosen);
        // QFileDialog hides accept(); the dialog's own check of the choice runs all the same.
        QDialog* base = dialog;
        accept ? base->accept() : base->reject();
    });
    QCOMPARE(BrowseForFolder(
                 nullptr, root.path() + u'/' + start, "Please select a folder:", false, false),
        accept ? chosen : QString());
}

// The chooser opens at the colour given and returns the choice on OK only. The custom colours
// a user stores reach its next opening, but each click of the colour button starts afresh from
// the system colours.
void tst_Choosers::colourChooserKeepsItsColours()
{
    const QColor stored(0xAB, 0xCD, 0xEF);
    const auto answerWith = [this, stored](const QColor& firstCustom, bool accept) {
        answer<QColorDialog>(this, [=](QColorDialog* dialog) {
            QCOMPARE(dialog->currentColor(), QColor(0x12, 0x34, 0x56));
            QCOMPARE(QColorDialog::customColor(0).rgb(), firstCustom.rgb());
            QColorDialog::setCustomColor(0, stored);
            dialog->setCurrentColor(QColor(0x11, 0xAA, 0x33));
            accept ? dialog->accept() : dialog->reject();
        });
    };
    CommonDialogClass chooser;
    for (const bool accept : { false, true }) {
        answerWith(accept ? stored : VbColor::systemQColor(0), accept);
        qint32 color = 0x563412;
        QCOMPARE(chooser.VBChooseColor(color, true, true, false, nullptr), accept);
        QCOMPARE(color, accept ? 0x0033AA11 : -1);
        QColorDialog::setCustomColor(0, Qt::black);
    }
    answerWith(VbColor::systemQColor(0), true);
    QCOMPARE(FormServices::standard().chooseColor(nullptr, 0x563412), 0x0033AA11);
}

void tst_Choosers::formTakesAChoiceOnlyOnOk_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<qint32>("color");
    QTest::addColumn<QString>("box");
    QTest::addColumn<qint32>("swatch");
    QTest::newRow("OK") << "/home/pictures" << qint32(0x0033AA11) << "/home/pictures"
                        << qint32(0x0033AA11);
    QTest::newRow("OK on black") << "/home/pictures" << qint32(0) << "/home/pictures" << qint32(0);
    QTest::newRow("cancel") << "" << qint32(-1) << " /photos " << qint32(0x00123456);
}

void tst_Choosers::formTakesAChoiceOnlyOnOk()
{
    ShowFixture show;
    QFETCH(QString, folder);
    QFETCH(qint32, color);
    show.answers.folder = folder;
    show.answers.color = color;
    SlidewellForm& form = show.form();
    show.ui()->folderTextBox->setText(QStringLiteral(" /photos "));
    form.setSwatchColor(0x00123456);
    form.browseForFolderButton_Click();
    form.changeBackgroundColorButton_Click();
    QCOMPARE(show.answers.calls,
        QStringList({ "folder  /photos  Please select a folder:", "colour 1193046" }));
    QTEST(show.ui()->folderTextBox->text(), "box");
    QTEST(form.swatchColor(), "swatch");
}

// The guide is a local page installed with the program.
void tst_Choosers::usersGuideOpensTheInstalledPage()
{
    ShowFixture show;
    show.form().onlineUsersGuideMenu_Click();
    const QUrl guide(show.answers.calls.value(0).mid(4));
    QVERIFY2(guide.isLocalFile() && QFileInfo(guide.toLocalFile()).isFile(),
        qPrintable(show.answers.calls.value(0)));
}

QTEST_MAIN(tst_Choosers)
#include "tst_Choosers.moc"
