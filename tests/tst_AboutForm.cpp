// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "controls/AboutForm.h"
#include "controls/XLinkLabel.h"
#include "platform/AppLinks.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class tst_AboutForm : public QObject
{
    Q_OBJECT
private slots:
    void showsVersionAndCurrentYear();
    void linkComesFromSavedFormData();
    void everyCaptionFitsItsBox();
    void okClosesButEscapeDoesNot();
    void helpMenuOpensItModallyAndAfresh();
};

namespace {

QString labelText(const QWidget& form, const char* name)
{
    const auto* label = form.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

} // namespace

void tst_AboutForm::showsVersionAndCurrentYear()
{
    AboutForm about;
    QCOMPARE(labelText(about, "versionNumberLabel"), QStringLiteral("1.0.0"));
    QCOMPARE(labelText(about, "currentYearLabel"), QString::number(QDate::currentDate().year()));
    QCOMPARE(about.windowTitle(), labelText(about, "Label3"));
    QCOMPARE(labelText(about, "Label5").size(), 255);
    QCOMPARE(about.size(), QSize(373, 243));
    QCOMPARE(about.minimumSize(), about.maximumSize());
}

void tst_AboutForm::linkComesFromSavedFormData()
{
    AboutForm about;
    const auto* link = about.findChild<XLinkLabel*>(QStringLiteral("urlLabelControl"));
    QVERIFY(link);
    QCOMPARE(link->Caption(), QUrl(QString::fromUtf8(AppLinks::webSite)).host());
    QCOMPARE(link->URL(), QString::fromUtf8(AppLinks::webSite));
    QCOMPARE(link->NormTextColor(), 0x00FF0000);
    QCOMPARE(link->HoverTextColor(), 0x000000C0);
    QVERIFY(link->NormUnderline());
    QVERIFY(link->HoverUnderline());
    QVERIFY(link->Enabled());
    QVERIFY(link->Font().underline());
    QCOMPARE(link->Font().family(), QStringLiteral("MS Sans Serif"));
}

void tst_AboutForm::everyCaptionFitsItsBox()
{
    AboutForm about;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        if (label->wordWrap() || !label->pixmap().isNull())
            continue;
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
            qPrintable(label->objectName()));
    }
    const auto* warning = about.findChild<QLabel*>(QStringLiteral("Label5"));
    QVERIFY(warning->heightForWidth(warning->width()) <= warning->height());
    const auto* link = about.findChild<XLinkLabel*>(QStringLiteral("urlLabelControl"));
    QVERIFY(QFontMetrics(link->Font()).horizontalAdvance(link->Caption()) <= link->width());
    for (const char* image : { "Image1", "Image2" })
        QVERIFY2(!about.findChild<QLabel*>(QLatin1String(image))->pixmap().isNull(), image);
}

void tst_AboutForm::okClosesButEscapeDoesNot()
{
    AboutForm about;
    bool stayedOpen = false;
    QTimer::singleShot(0, &about, [&] {
        QTest::keyClick(&about, Qt::Key_Escape);
        stayedOpen = about.isVisible();
        about.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QVERIFY(stayedOpen);
}

void tst_AboutForm::helpMenuOpensItModallyAndAfresh()
{
    SlidewellForm form({ QStringLiteral("slidewell") });
    QStringList years;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, &form, [&] {
            auto* about = qobject_cast<AboutForm*>(QApplication::activeModalWidget());
            QVERIFY(about);
            QCOMPARE(about->windowModality(), Qt::ApplicationModal);
            QVERIFY(!about->parentWidget());
            auto* year = about->findChild<QLabel*>(QStringLiteral("currentYearLabel"));
            years.append(year->text());
            // A stale year would outlive the window if it were kept between openings.
            year->setText(QStringLiteral("200?"));
            about->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        form.aboutSlidewellMenu_Click();
        QVERIFY(!QApplication::activeModalWidget());
    }
    const QString thisYear = QString::number(QDate::currentDate().year());
    QCOMPARE(years, (QStringList { thisYear, thisYear }));
}

QTEST_MAIN(tst_AboutForm)
#include "tst_AboutForm.moc"
