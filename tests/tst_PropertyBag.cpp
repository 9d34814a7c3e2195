// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/PropertyBag.h"

#include <QFont>
#include <QTest>

class tst_PropertyBag : public QObject
{
    Q_OBJECT
private slots:
    void namesMatchWithoutRegardToCase_data();
    void namesMatchWithoutRegardToCase();
    void valuesEqualToTheDefaultAreNotStored();
    void readsSavedFormData();
    void malformedFormDataGivesAnEmptyBag();
};

void tst_PropertyBag::namesMatchWithoutRegardToCase_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("same") << "NormTextColor"
                          << "NormTextColor";
    QTest::newRow("saved lower case") << "normtextcolor"
                                      << "NormTextColor";
    QTest::newRow("upper case") << "NormTextColor"
                                << "NORMTEXTCOLOR";
}

void tst_PropertyBag::namesMatchWithoutRegardToCase()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    PropertyBag bag;
    bag.WriteProperty(written, 255, 0);
    QCOMPARE(bag.ReadProperty(read, 0).toInt(), 255);
    QCOMPARE(bag.names(), QStringList { QStringLiteral("normtextcolor") });
}

void tst_PropertyBag::valuesEqualToTheDefaultAreNotStored()
{
    PropertyBag bag;
    bag.WriteProperty(
        QStringLiteral("Caption"), QStringLiteral("URL Label"), QStringLiteral("URL Label"));
    bag.WriteProperty(QStringLiteral("Enabled"), true, true);
    QVERIFY(bag.names().isEmpty());
    QCOMPARE(bag.ReadProperty(QStringLiteral("Caption"), QStringLiteral("URL Label")).toString(),
        QStringLiteral("URL Label"));

    // Without a default the value is always stored.
    bag.WriteProperty(QStringLiteral("Font"), QFont());
    QCOMPARE(bag.names(), QStringList { QStringLiteral("font") });

    // Writing the default again removes a value stored before.
    bag.WriteProperty(QStringLiteral("Caption"), QStringLiteral("x"), QStringLiteral("URL Label"));
    bag.WriteProperty(
        QStringLiteral("caption"), QStringLiteral("URL Label"), QStringLiteral("URL Label"));
    QCOMPARE(bag.names(), QStringList { QStringLiteral("font") });
}

void tst_PropertyBag::readsSavedFormData()
{
    const PropertyBag bag = PropertyBag::fromJson(R"({
        "Font": { "name": "MS Sans Serif", "size": 8.25, "weight": 400, "underline": true },
        "normtextcolor": 16711680,
        "caption": "example.org",
        "normunderline": true
    })");
    const QVariant font = bag.ReadProperty(QStringLiteral("font"));
    QCOMPARE(font.typeId(), int(QMetaType::QFont));
    QCOMPARE(font.value<QFont>().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.value<QFont>().pointSizeF(), 8.25);
    QCOMPARE(font.value<QFont>().weight(), QFont::Normal);
    QVERIFY(font.value<QFont>().underline());
    QVERIFY(!font.value<QFont>().italic());
    QCOMPARE(bag.ReadProperty(QStringLiteral("NormTextColor"), 0).toInt(), 0x00FF0000);
    QCOMPARE(bag.ReadProperty(QStringLiteral("Caption")).toString(), QStringLiteral("example.org"));
    QVERIFY(bag.ReadProperty(QStringLiteral("NormUnderline"), false).toBool());
    QCOMPARE(bag.ReadProperty(QStringLiteral("HoverTextColor"), 7).toInt(), 7);
}

void tst_PropertyBag::malformedFormDataGivesAnEmptyBag()
{
    QVERIFY(PropertyBag::fromJson("[1, 2]").names().isEmpty());
    QVERIFY(PropertyBag::fromJson("{ \"caption\": ").names().isEmpty());
}

QTEST_MAIN(tst_PropertyBag)
#include "tst_PropertyBag.moc"
