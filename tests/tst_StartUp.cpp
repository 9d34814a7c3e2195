// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "platform/VbColor.h"
#include "ui_SlidewellForm.h"

#include <QComboBox>
#include <QTest>

class tst_StartUp : public QObject
{
    Q_OBJECT
private slots:
    void firstRunShowsDesignValues();
    void commandLineFillsFolderBox_data();
    void commandLineFillsFolderBox();
    void enterPressesPlay_data();
    void enterPressesPlay();
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
} // namespace

void tst_StartUp::firstRunShowsDesignValues()
{
    SlidewellForm form(QStringList { QStringLiteral("slidewell") }, silentServices());
    Ui::SlidewellForm* ui = form.controls();
    QCOMPARE(ui->folderTextBox->text(), QString());
    QCOMPARE(ui->imageDelayComboBox->currentText(), QStringLiteral("3"));
    QCOMPARE(ui->imageDelayComboBox->count(), 20);
    QCOMPARE(form.swatchColor(), VbColor::black);
    QCOMPARE(form.BackColor(), VbColor::windowBackground);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.ScaleWidth(), 4665);
    QCOMPARE(form.ScaleHeight(), 3690);
    QVERIFY(!form.slideShow().isTicking());
    QVERIFY(ui->pictureImage->isHidden());
}

void tst_StartUp::commandLineFillsFolderBox_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");
    QTest::newRow("none") << QStringList {} << "";
    QTest::newRow("blanks only") << QStringList { "   " } << "";
    QTest::newRow("blanks kept") << QStringList { " /home/a " } << " /home/a ";
    QTest::newRow("quotes kept") << QStringList { "\"/home/a b\"" } << "\"/home/a b\"";
}

void tst_StartUp::commandLineFillsFolderBox()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    arguments.prepend(QStringLiteral("slidewell"));
    SlidewellForm form(arguments, silentServices());
    QCOMPARE(form.controls()->folderTextBox->text(), folder);
}

void tst_StartUp::enterPressesPlay_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Return") << Qt::Key_Return << Qt::KeyboardModifiers();
    QTest::newRow("keypad Enter") << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier);
}

void tst_StartUp::enterPressesPlay()
{
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QStringList titles;
    FormServices services;
    services.messageBox = [&titles](QWidget*, const QString&, const QString& title, int) {
        titles.append(title);
    };
    SlidewellForm form(QStringList { QStringLiteral("slidewell") }, services);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // Enter in the editable delay box after typing: play, and no new item in its list.
    QComboBox* delay = form.controls()->imageDelayComboBox;
    delay->setFocus();
    QTest::keyClicks(delay, QStringLiteral("7"));
    QTest::keyClick(delay, key, modifiers);
    QCOMPARE(titles, QStringList { QStringLiteral("Folder Empty") });
    QCOMPARE(delay->count(), 20);
}

QTEST_MAIN(tst_StartUp)
#include "tst_StartUp.moc"
