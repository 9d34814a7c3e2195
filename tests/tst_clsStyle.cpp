// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/clsStyle.h"

#include <QTest>

class tst_clsStyle : public QObject
{
    Q_OBJECT
private slots:
    void withoutClientReadsFalseAndIgnoresWrites();
    void togglesTitleBarKeepingGeometry();
    void followsReassignedClient();
};

void tst_clsStyle::withoutClientReadsFalseAndIgnoresWrites()
{
    clsStyle style;
    QVERIFY(!style.Titlebar());
    style.setTitlebar(true);
    QVERIFY(!style.Titlebar());

    QWidget window;
    style.setClient(&window);
    style.setClient(nullptr);
    style.setTitlebar(false);
    QVERIFY(!window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

void tst_clsStyle::togglesTitleBarKeepingGeometry()
{
    QWidget window;
    window.setGeometry(100, 80, 311, 246);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clsStyle style;
    style.setClient(&window);
    QVERIFY(style.Titlebar());

    style.setTitlebar(false);
    QVERIFY(!style.Titlebar());
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), QRect(100, 80, 311, 246));
    style.setTitlebar(false);
    QVERIFY(!style.Titlebar());

    style.setTitlebar(true);
    QVERIFY(style.Titlebar());
    QCOMPARE(window.geometry(), QRect(100, 80, 311, 246));
}

void tst_clsStyle::followsReassignedClient()
{
    QWidget first;
    QWidget second;
    first.show();
    second.show();
    clsStyle style;
    style.setClient(&first);
    style.setClient(&second);
    style.setTitlebar(false);
    QVERIFY(second.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!first.windowFlags().testFlag(Qt::FramelessWindowHint));
}

QTEST_MAIN(tst_clsStyle)
#include "tst_clsStyle.moc"
