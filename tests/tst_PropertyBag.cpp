// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/PropertyBag.h"

#include <QFont>
#include <QTest>

class tst_PropertyBag : public QObject
{
    Q_OBJECT
private slots:
    void writesAndReads_data();
    void writesAndReads();
    void readsSavedFormData();
};

void tst_PropertyBag::writesAndReads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("differs from the default") << "NormTextColor" << QVariant(255) << QVariant(0)
                                              << QStringList { "caption", "normtextcolor" };
    QTest::newRow("equals the default")
        << "CAPTION" << QVariant("URL Label") << QVariant("URL Label") << QStringList();
    QTest::newRow("no default") << "Caption" << QVariant("URL Label") << QVariant()
                                << QStringList { "caption" };
}

// Names match without regard to case; a value equal to its default is not stored, and removes
// one stored before. Every bag starts holding a caption.
void tst_PropertyBag::writesAndReads()
{
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QVariant, defaultValue);
    QFETCH(QStringList, names);
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Caption"), QStringLiteral("x"));
    bag.WriteProperty(name, value, defaultValue);
    QCOMPARE(bag.ReadProperty(name.toUpper(), defaultValue), value);
    QCOMPARE(bag.names(), names);
}

void tst_PropertyBag::readsSavedFormData()
{
    const PropertyBag bag =
        PropertyBag::fromJson(R"({ "Font": { "name": "Serif", "size": 8.25, "weight": 700 } })");
    const QFont font = bag.ReadProperty(QStringLiteral("font")).value<QFont>();
    QCOMPARE(font.pointSizeF(), 8.25);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(!font.italic() && !font.underline());
    // Anything but a JSON object gives an empty bag.
    QVERIFY(PropertyBag::fromJson("[1, 2]").names().isEmpty());
    QVERIFY(PropertyBag::fromJson("{ \"caption\": ").names().isEmpty());
}

QTEST_MAIN(tst_PropertyBag)
#include "tst_PropertyBag.moc"
