// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/PropertyBag.h"
#include "controls/XLinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>

class tst_XLinkLabel : public QObject
{
    Q_OBJECT
public:
    // Counts the paint events that reach the link.
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_paints += event->type() == QEvent::Paint;
        return false;
    }
    // Receives the addresses that the program hands to the desktop.
    Q_INVOKABLE void open(const QUrl& url) { m_urls.append(url); }

private slots:
    void init();
    void cleanup();
    void savedDataReadsBack_data();
    void savedDataReadsBack();
    void hoverLookWithinTheEdges_data();
    void hoverLookWithinTheEdges();
    void clickHandsTheAddressOver();

private:
    int paintsAfterMoves(std::initializer_list<QPoint> points);
    bool shows(const QColor& color);

    std::unique_ptr<QWidget> m_container;
    XLinkLabel* m_label = nullptr;
    int m_paints = 0;
    QList<QUrl> m_urls;
};

void tst_XLinkLabel::init()
{
    m_container = std::make_unique<QWidget>();
    m_container->setFont(QFont(QStringLiteral("Sans"), 14));
    m_label = new XLinkLabel(m_container.get());
    m_label->setObjectName(QStringLiteral("XLinkLabel1"));
    m_label->setGeometry(10, 10, 120, 30);
    m_label->InitProperties();
    m_label->installEventFilter(this);
    m_container->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_container.get()));
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    m_urls.clear();
}

void tst_XLinkLabel::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    m_container.reset();
}

int tst_XLinkLabel::paintsAfterMoves(std::initializer_list<QPoint> points)
{
    QCoreApplication::processEvents();
    m_paints = 0;
    for (const QPoint& at : points) {
        QMouseEvent move(QEvent::MouseMove, at, m_label->mapToGlobal(at), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_label, &move);
    }
    QCoreApplication::processEvents();
    return m_paints;
}

bool tst_XLinkLabel::shows(const QColor& color)
{
    const QImage image = m_label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return std::count(pixels, pixels + image.sizeInBytes() / 4, color.rgb()) > 0;
}

// What the link writes after reading saved data: the font always, the rest only where it differs
// from the default, so a missing entry reads as the default.
void tst_XLinkLabel::savedDataReadsBack_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QVariantMap>("written");
    QTest::newRow("nothing saved") << QByteArray("{}") << QVariantMap();
    QTest::newRow("values read back")
        << QByteArray(R"({ "NormTextColor": 255, "caption": "read on", "hoverunderline": false })")
        << QVariantMap { { "caption", "read on" }, { "hoverunderline", false },
               { "normtextcolor", 255 } };
    QTest::newRow("unreadable value keeps the one before") << QByteArray(
        R"({ "normtextcolor": "blue" })") << QVariantMap { { "normtextcolor", 0xC0C0 } };
}

void tst_XLinkLabel::savedDataReadsBack()
{
    QFETCH(QByteArray, saved);
    QFETCH(QVariantMap, written);
    m_label->setFont(QFont(QStringLiteral("Serif"), 30));
    m_label->setNormTextColor(0xC0C0);
    m_label->setURL(QStringLiteral("https://elsewhere.example/"));
    m_label->setHoverUnderline(false);
    m_label->ReadProperties(PropertyBag::fromJson(saved));
    QCOMPARE(m_label->Font().pointSize(), 14);
    PropertyBag bag;
    m_label->WriteProperties(bag);
    QStringList names = bag.names();
    QVERIFY(names.removeOne(QStringLiteral("font")));
    QCOMPARE(names, written.keys());
    for (const QString& name : std::as_const(names))
        QCOMPARE(bag.ReadProperty(name), written.value(name));
}

void tst_XLinkLabel::hoverLookWithinTheEdges_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("inside");
    QTest::newRow("top-left corner") << QPoint(0, 0) << true;
    QTest::newRow("bottom-right corner") << QPoint(120, 30) << true;
    QTest::newRow("left of it") << QPoint(-1, 15) << false;
    QTest::newRow("right of it") << QPoint(121, 15) << false;
    QTest::newRow("below it") << QPoint(60, 31) << false;
}

// The hover colour shows while the pointer is over the link, edges included; the link is
// repainted only when its look changes.
void tst_XLinkLabel::hoverLookWithinTheEdges()
{
    QFETCH(QPoint, at);
    QFETCH(bool, inside);
    m_label->setNormTextColor(0x0000FF);
    m_label->setHoverTextColor(0x00FF00);
    QCOMPARE(paintsAfterMoves({ at, at }), inside ? 1 : 0);
    QCOMPARE(shows(QColor(0, 255, 0)), inside);
    QCOMPARE(shows(QColor(255, 0, 0)), !inside);
    QCOMPARE(paintsAfterMoves({ QPoint(300, 5), QPoint(301, 5) }), inside ? 1 : 0);
    QVERIFY(shows(QColor(255, 0, 0)));
}

void tst_XLinkLabel::clickHandsTheAddressOver()
{
    const QUrl address(QStringLiteral("https://slidewell.example/news"));
    m_label->setURL(address.toString());
    QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(5, 5));
    m_label->setEnabled(false);
    QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(m_urls, QList<QUrl> { address });
}

QTEST_MAIN(tst_XLinkLabel)
#include "tst_XLinkLabel.moc"
