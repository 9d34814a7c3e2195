// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/ImageFit.h"
#include "platform/RuntimeError.h"

#include <QTest>

class tst_ImageFit : public QObject
{
    Q_OBJECT
private slots:
    void fitsIntoClientArea_data();
    void fitsIntoClientArea();
    void zeroSizeIsAnError_data();
    void zeroSizeIsAnError();
};

void tst_ImageFit::fitsIntoClientArea_data()
{
    QTest::addColumn<int>("clientWidth");
    QTest::addColumn<int>("clientHeight");
    QTest::addColumn<int>("pictureWidth");
    QTest::addColumn<int>("pictureHeight");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("taller: band on the right") << 9600 << 6000 << 400 << 300 << 8000 << 6000;
    QTest::newRow("wider: band below") << 9600 << 6000 << 1000 << 250 << 9600 << 2400;
    QTest::newRow("small icon enlarged") << 9600 << 6000 << 16 << 16 << 6000 << 6000;
    QTest::newRow("half rounds to even") << 1001 << 2000 << 2 << 1 << 1001 << 500;
    QTest::newRow("same proportions fill") << 28800 << 16200 << 1920 << 1080 << 28800 << 16200;
    QTest::newRow("large photo reduced") << 28800 << 16200 << 6000 << 4000 << 24300 << 16200;
    QTest::newRow("3.5 rounds up to 4") << 7 << 100 << 2 << 1 << 7 << 4;
    QTest::newRow("empty client area") << 0 << 0 << 640 << 480 << 0 << 0;
}

void tst_ImageFit::fitsIntoClientArea()
{
    QFETCH(int, clientWidth);
    QFETCH(int, clientHeight);
    QFETCH(int, pictureWidth);
    QFETCH(int, pictureHeight);
    const ImageFit fit = fitImage(clientWidth, clientHeight, pictureWidth, pictureHeight);
    QTEST(fit.width, "width");
    QTEST(fit.height, "height");
}

void tst_ImageFit::zeroSizeIsAnError_data()
{
    QTest::addColumn<int>("pictureWidth");
    QTest::addColumn<int>("pictureHeight");
    QTest::newRow("zero width") << 0 << 300;
    QTest::newRow("zero height") << 400 << 0;
    QTest::newRow("both zero") << 0 << 0;
    QTest::newRow("result beyond 32 bits") << 2147483647 << 1;
}

void tst_ImageFit::zeroSizeIsAnError()
{
    QFETCH(int, pictureWidth);
    QFETCH(int, pictureHeight);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, fitImage(9600, 6000, pictureWidth, pictureHeight));
}

QTEST_GUILESS_MAIN(tst_ImageFit)
#include "tst_ImageFit.moc"
