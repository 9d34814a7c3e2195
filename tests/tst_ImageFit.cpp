// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ImageFit.h"
#include "platform/RuntimeError.h"

#include <QSize>
#include <QTest>

class tst_ImageFit : public QObject
{
    Q_OBJECT
private slots:
    void fitsIntoClientArea_data();
    void fitsIntoClientArea();
};

// An invalid fit stands for a RuntimeError.
void tst_ImageFit::fitsIntoClientArea_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("fit");
    const QSize client(9600, 6000);
    QTest::newRow("taller: band on the right") << client << QSize(400, 300) << QSize(8000, 6000);
    QTest::newRow("wider: band below") << client << QSize(1000, 250) << QSize(9600, 2400);
    QTest::newRow("small icon enlarged") << client << QSize(16, 16) << QSize(6000, 6000);
    QTest::newRow("half rounds to even") << QSize(1001, 2000) << QSize(2, 1) << QSize(1001, 500);
    QTest::newRow("empty client area") << QSize(0, 0) << QSize(640, 480) << QSize(0, 0);
    QTest::newRow("zero width") << client << QSize(0, 300) << QSize();
    QTest::newRow("zero height") << client << QSize(400, 0) << QSize();
    QTest::newRow("result beyond 32 bits") << client << QSize(2147483647, 1) << QSize();
}

void tst_ImageFit::fitsIntoClientArea()
{
    QFETCH(QSize, client);
    QFETCH(QSize, picture);
    QFETCH(QSize, fit);
    try {
        const ImageFit result =
            fitImage(client.width(), client.height(), picture.width(), picture.height());
        QVERIFY2(fit.isValid(), "no error raised");
        QCOMPARE(QSize(result.width, result.height), fit);
    } catch (const RuntimeError&) {
        QVERIFY(!fit.isValid());
    }
}

QTEST_GUILESS_MAIN(tst_ImageFit)
#include "tst_ImageFit.moc"
