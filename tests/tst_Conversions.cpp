// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/CommandLine.h"
#include "platform/Conversions.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QTest>

class tst_Conversions : public QObject
{
    Q_OBJECT
private slots:
    void readsNumbers_data();
    void readsNumbers();
    void toInt32_data();
    void toInt32();
    void readsCommandLine_data();
    void readsCommandLine();
};

// A plain row's text is also the plain number-to-text form of its value.
void tst_Conversions::readsNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("plain");
    QTest::newRow("plain width") << " 9600" << true << 9600.0 << true;
    QTest::newRow("plain negative") << "-15" << true << -15.0 << true;
    QTest::newRow("plain zero") << " 0" << true << 0.0 << true;
    QTest::newRow("plain fraction") << " 9600.5" << true << 9600.5 << true;
    QTest::newRow("plain below one") << " .5" << true << 0.5 << true;
    QTest::newRow("plain seven digits") << " 1234567" << true << 1234567.0 << true;
    QTest::newRow("blanks after") << "12 \t" << true << 12.0 << false;
    QTest::newRow("exponent") << "1e3" << true << 1000.0 << false;
    QTest::newRow("explicit plus") << "+42" << true << 42.0 << false;
    QTest::newRow("tabs and line feeds first") << "\t\n-15" << false << -15.0 << false;
    QTest::newRow("negative colour") << "-2147483629" << true << -2147483629.0 << false;
    QTest::newRow("empty") << "" << false << 0.0 << false;
    QTest::newRow("blanks only") << "   " << false << 0.0 << false;
    QTest::newRow("word") << "abc" << false << 0.0 << false;
    QTest::newRow("sign only") << "-" << false << 0.0 << false;
    QTest::newRow("trailing garbage") << "12x" << false << 12.0 << false;
    QTest::newRow("exponent then garbage") << "1e3x" << false << 1000.0 << false;
    QTest::newRow("dangling exponent") << "7e" << false << 7.0 << false;
    QTest::newRow("two points") << "1.5.7" << false << 1.5 << false;
    QTest::newRow("underflow") << "1e-999" << true << 0.0 << false;
}

void tst_Conversions::readsNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, plain);
    QTEST(Conversions::isNumeric(text), "numeric");
    QCOMPARE(Conversions::leadingNumber(text), value);
    if (plain)
        QCOMPARE(Conversions::plainNumberText(value), text);
}

// An invalid result stands for an overflow.
void tst_Conversions::toInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QVariant>("result");
    QTest::newRow("2.5 to even") << 2.5 << QVariant(2);
    QTest::newRow("3.5 to even") << 3.5 << QVariant(4);
    QTest::newRow("-2.5 to even") << -2.5 << QVariant(-2);
    QTest::newRow("below half") << 7.49 << QVariant(7);
    QTest::newRow("largest") << 2147483647.0 << QVariant(2147483647);
    QTest::newRow("smallest") << -2147483648.0 << QVariant(int(-2147483648LL));
    QTest::newRow("half above the largest") << 2147483647.5 << QVariant();
    QTest::newRow("below the smallest") << -2147483649.0 << QVariant();
    QTest::newRow("nan") << std::nan("") << QVariant();
}

void tst_Conversions::toInt32()
{
    QFETCH(double, value);
    QFETCH(QVariant, result);
    try {
        QCOMPARE(QVariant(Conversions::toInt32(value)), result);
    } catch (const RuntimeError& error) {
        QVERIFY(!result.isValid());
        QCOMPARE(error.number(), RuntimeError::Overflow);
    }
}

// The arguments after the program's name; the output: how the text for standard output begins,
// none to start the program.
void tst_Conversions::readsCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("output");
    const QString home = QDir::homePath();
    QTest::newRow("none") << QStringList() << QString() << QString();
    QTest::newRow("split by the shell")
        << QStringList { "/home/my", "photos" } << "/home/my photos" << QString();
    QTest::newRow("file URI") << QStringList { "file:///home/my%20photos" } << "/home/my photos"
                              << QString();
    QTest::newRow("home") << QStringList { "~/Pictures" } << home + "/Pictures" << QString();
    QTest::newRow("tilde elsewhere") << QStringList { "a~/b" } << "a~/b" << QString();
    QTest::newRow("help") << QStringList { "--help" } << QString() << "Usage: slidewell [FOLDER]\n";
    QTest::newRow("version") << QStringList { "--version", "x" } << "x"
                             << "Slidewell 1.0.0\n";
    QTest::newRow("play") << QStringList { "--play", "~/Pictures" } << home + "/Pictures"
                          << QString();
    QTest::newRow("option not first") << QStringList { "a", "--help" } << "a --help" << QString();
}

void tst_Conversions::readsCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    const CommandLine line = parseCommandLine(QStringList { "slidewell" } + arguments);
    QTEST(line.folderText, "text");
    QCOMPARE(line.output.left(output.size()), output);
    QCOMPARE(line.output.isEmpty(), output.isEmpty());
}

QTEST_GUILESS_MAIN(tst_Conversions)
#include "tst_Conversions.moc"
