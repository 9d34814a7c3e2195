// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/TransitionTiming.h"

#include <QTest>

class tst_TransitionTiming : public QObject
{
    Q_OBJECT
private slots:
    void neverLongerThanHalfTheDelay_data();
    void neverLongerThanHalfTheDelay();
};

void tst_TransitionTiming::neverLongerThanHalfTheDelay_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<qint32>("delay");
    QTest::addColumn<int>("expected");
    QTest::newRow("short beside the delay") << 500 << qint32(5000) << 500;
    QTest::newRow("exactly half") << 1000 << qint32(2000) << 1000;
    QTest::newRow("cut to half") << 3000 << qint32(2001) << 1000;
    // A delay of 0 never ticks and a negative one comes from a typed text: no transition.
    QTest::newRow("no delay") << 250 << qint32(0) << 0;
    QTest::newRow("negative delay") << 250 << qint32(-4000) << 0;
}

void tst_TransitionTiming::neverLongerThanHalfTheDelay()
{
    QFETCH(int, chosen);
    QFETCH(qint32, delay);
    QFETCH(int, expected);
    QCOMPARE(transitionMilliseconds(chosen, delay), expected);
}

QTEST_MAIN(tst_TransitionTiming)
#include "tst_TransitionTiming.moc"
