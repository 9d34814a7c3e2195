// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/CommandLine.h"
#include "platform/Conversions.h"
#include "platform/RuntimeError.h"
#include "platform/VbColor.h"

#include <QDir>
#include <QTest>

class tst_Conversions : public QObject
{
    Q_OBJECT
private slots:
    void isNumeric_data();
    void isNumeric();
    void leadingNumber_data();
    void leadingNumber();
    void toInt32_data();
    void toInt32();
    void toInt32Overflows_data();
    void toInt32Overflows();
    void plainNumberText_data();
    void plainNumberText();
    void trimBlanksOnlyRemovesSpaces();
    void colorsRoundTrip();
    void readsCommandLine_data();
    void readsCommandLine();
};

void tst_Conversions::isNumeric_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("integer") << "3" << true;
    QTest::newRow("surrounding blanks") << "  12 " << true;
    QTest::newRow("sign and fraction") << "-2.5" << true;
    QTest::newRow("leading point") << ".5" << true;
    QTest::newRow("exponent") << "1e3" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("word") << "abc" << false;
    QTest::newRow("trailing garbage") << "12x" << false;
    QTest::newRow("two points") << "1.2.3" << false;
    QTest::newRow("sign only") << "-" << false;
}

void tst_Conversions::isNumeric()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(Conversions::isNumeric(text), numeric);
}

void tst_Conversions::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain form size") << " 9600" << 9600.0;
    QTest::newRow("fraction") << "9600.5" << 9600.5;
    QTest::newRow("exponent then garbage") << "1e3x" << 1000.0;
    QTest::newRow("dangling exponent") << "7e" << 7.0;
    QTest::newRow("word") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("tabs and line feeds") << "\t\n-15" << -15.0;
    QTest::newRow("explicit plus") << "+42" << 42.0;
    QTest::newRow("negative colour") << "-2147483629" << -2147483629.0;
    QTest::newRow("stops at second point") << "1.5.7" << 1.5;
    QTest::newRow("underflow") << "1e-999" << 0.0;
}

void tst_Conversions::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Conversions::leadingNumber(text), value);
}

void tst_Conversions::toInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("2.5 to even") << 2.5 << 2;
    QTest::newRow("3.5 to even") << 3.5 << 4;
    QTest::newRow("-2.5 to even") << -2.5 << -2;
    QTest::newRow("9600.5") << 9600.5 << 9600;
    QTest::newRow("9601.5") << 9601.5 << 9602;
    QTest::newRow("below half") << 7.49 << 7;
    QTest::newRow("largest") << 2147483647.0 << 2147483647;
    QTest::newRow("smallest") << -2147483648.0 << int(-2147483648LL);
}

void tst_Conversions::toInt32()
{
    QFETCH(double, value);
    QFETCH(int, result);
    QCOMPARE(Conversions::toInt32(value), result);
}

void tst_Conversions::toInt32Overflows_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("half above the largest") << 2147483647.5;
    QTest::newRow("far above") << 1e12;
    QTest::newRow("below the smallest") << -2147483649.0;
    QTest::newRow("infinity") << HUGE_VAL;
    QTest::newRow("nan") << std::nan("");
}

void tst_Conversions::toInt32Overflows()
{
    QFETCH(double, value);
    try {
        Conversions::toInt32(value);
        QFAIL("no overflow raised");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.number(), RuntimeError::Overflow);
    }
}

void tst_Conversions::plainNumberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("width") << 9600.0 << " 9600";
    QTest::newRow("negative") << -15.0 << "-15";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("fraction") << 9600.5 << " 9600.5";
    QTest::newRow("below one") << 0.5 << " .5";
    QTest::newRow("seven digits") << 1234567.0 << " 1234567";
}

void tst_Conversions::plainNumberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(Conversions::plainNumberText(value), text);
    QCOMPARE(Conversions::leadingNumber(text), value);
}

void tst_Conversions::trimBlanksOnlyRemovesSpaces()
{
    QCOMPARE(Conversions::trimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    QCOMPARE(Conversions::trimBlanks(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
    QCOMPARE(Conversions::trimBlanks(QStringLiteral("   ")), QString());
}

void tst_Conversions::colorsRoundTrip()
{
    QCOMPARE(VbColor::toQColor(0x0000FF), QColor(255, 0, 0));
    QCOMPARE(VbColor::toQColor(0xFF0000), QColor(0, 0, 255));
    QCOMPARE(VbColor::fromQColor(QColor(0x11, 0xAA, 0x33)), 0x33AA11);
    QVERIFY(VbColor::isSystemColor(VbColor::windowBackground));
    QVERIFY(VbColor::isValid(0xFFFFFF));
    QVERIFY(VbColor::isValid(VbColor::systemColor(24)));
    QVERIFY(!VbColor::isValid(0x1000000));
    QVERIFY(!VbColor::isValid(VbColor::systemColor(25)));
    QVERIFY(!VbColor::isValid(-1));
}

void tst_Conversions::readsCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("output");
    QTest::newRow("none") << QStringList { "slidewell" } << ""
                          << "";
    QTest::newRow("one") << QStringList { "slidewell", "/home/a" } << "/home/a"
                         << "";
    QTest::newRow("split by the shell")
        << QStringList { "slidewell", "/home/my", "photos" } << "/home/my photos"
        << "";
    QTest::newRow("blank argument") << QStringList { "slidewell", " " } << " "
                                    << "";
    QTest::newRow("file URI") << QStringList { "slidewell", "file:///home/my%20photos" }
                              << "/home/my photos"
                              << "";
    QTest::newRow("home") << QStringList { "slidewell", "~/Pictures" }
                          << QDir::homePath() + "/Pictures"
                          << "";
    QTest::newRow("tilde elsewhere") << QStringList { "slidewell", "a~/b" } << "a~/b"
                                     << "";
    QTest::newRow("help") << QStringList { "slidewell", "--help" } << ""
                          << "Usage: slidewell [FOLDER]\n";
    QTest::newRow("version") << QStringList { "slidewell", "--version", "x" } << "x"
                             << "Slidewell 1.0.0\n";
    QTest::newRow("play") << QStringList { "slidewell", "--play", "~/Pictures" }
                          << QDir::homePath() + "/Pictures"
                          << "";
    QTest::newRow("option not first") << QStringList { "slidewell", "a", "--help" } << "a --help"
                                      << "";
}

void tst_Conversions::readsCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, text);
    QFETCH(QString, output);
    const CommandLine line = parseCommandLine(arguments);
    QCOMPARE(line.folderText, text);
    QCOMPARE(line.output.left(output.size()), output);
    QCOMPARE(line.output.isEmpty(), output.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Conversions)
#include "tst_Conversions.moc"
