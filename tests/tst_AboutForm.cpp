// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "controls/AboutForm.h"
#include "controls/XLinkLabel.h"

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
    void helpMenuOpensItModallyAndAfresh();
    void everyCaptionFitsItsBox();
};

// Each opening shows the version and this year, Escape leaves it open, OK closes it.
void tst_AboutForm::helpMenuOpensItModallyAndAfresh()
{
    SlidewellForm form({ QStringLiteral("slidewell") });
    QStringList seen;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, &form, [&] {
            auto* about = qobject_cast<AboutForm*>(QApplication::activeModalWidget());
            QVERIFY(about);
            auto* year = about->findChild<QLabel*>(QStringLiteral("currentYearLabel"));
            seen << about->findChild<QLabel*>(QStringLiteral("versionNumberLabel"))->text()
                 << year->text();
            // A stale year would outlive the window if it were kept between openings.
            year->setText(QStringLiteral("200?"));
            QTest::keyClick(about, Qt::Key_Escape);
            QVERIFY(about->isVisible());
            about->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        form.aboutSlidewellMenu_Click();
        QVERIFY(!QApplication::activeModalWidget());
    }
    const QString thisYear = QString::number(QDate::currentDate().year());
    QCOMPARE(seen, QStringList({ "1.0.0", thisYear, "1.0.0", thisYear }));
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

QTEST_MAIN(tst_AboutForm)
#include "tst_AboutForm.moc"
