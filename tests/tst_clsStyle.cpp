// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/clsStyle.h"

#include <QTest>

class tst_clsStyle : public QObject
{
    Q_OBJECT
private slots:
    void togglesTheClientsTitleBarInPlace();
};

void tst_clsStyle::togglesTheClientsTitleBarInPlace()
{
    QWidget earlier;
    QWidget window;
    window.setGeometry(100, 80, 311, 246);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clsStyle style;
    // Only the window assigned last is changed.
    style.setClient(&earlier);
    style.setClient(&window);
    QVERIFY(style.Titlebar());

    for (const bool shown : { false, false, true }) {
        style.setTitlebar(shown);
        QCOMPARE(style.Titlebar(), shown);
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), QRect(100, 80, 311, 246));
        QVERIFY(!earlier.windowFlags().testFlag(Qt::FramelessWindowHint));
    }
}

QTEST_MAIN(tst_clsStyle)
#include "tst_clsStyle.moc"
