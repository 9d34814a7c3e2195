// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/PropertyBag.h"
#include "controls/XLinkLabel.h"
#include "platform/AppLinks.h"
#include "platform/VbColor.h"
#include "shell/SharedFunctions.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <functional>

// Receives the addresses that the program hands to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class tst_XLinkLabel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void savingDefaultsWritesOnlyFont();
    void newInstanceAlsoWritesCaption();
    void missingEntriesReadAsDefaults();
    void unreadableEntryKeepsTheValueBefore();
    void settersRepaintAndNotify_data();
    void settersRepaintAndNotify();
    void edgesCountAsInside_data();
    void edgesCountAsInside();
    void hoverRepaintsOnlyOnChange();
    void hoverColourSetWhileHoveredShowsAfterReentering();
    void clickHandsTheAddressOver();
    void launcherHandsTheAddressOver();
    void cursorIsThePointingHand();

private:
    void moveTo(const QPoint& at);
    int paintsAfter(const std::function<void()>& action);
    bool shows(const QColor& color);

    std::unique_ptr<QWidget> m_container;
    XLinkLabel* m_label = nullptr;
    int m_paints = 0;
    UrlCatcher m_catcher;
};

// Counts the paint events that reach the link.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(int& count)
        : m_count(count)
    { }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_count;
        return false;
    }

private:
    int& m_count;
};

void tst_XLinkLabel::init()
{
    m_container = std::make_unique<QWidget>();
    m_container->resize(200, 60);
    QFont font = m_container->font();
    font.setPointSize(14);
    m_container->setFont(font);
    m_label = new XLinkLabel(m_container.get());
    m_label->setObjectName(QStringLiteral("XLinkLabel1"));
    m_label->setGeometry(10, 10, 120, 30);
    m_label->InitProperties();
    m_label->installEventFilter(new PaintCounter(m_paints));
    m_container->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_container.get()));
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_catcher, "open");
    m_catcher.urls.clear();
}

void tst_XLinkLabel::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    m_container.reset();
}

void tst_XLinkLabel::moveTo(const QPoint& at)
{
    QMouseEvent move(QEvent::MouseMove, at, m_label->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QCoreApplication::sendEvent(m_label, &move);
}

int tst_XLinkLabel::paintsAfter(const std::function<void()>& action)
{
    QCoreApplication::processEvents();
    m_paints = 0;
    action();
    QCoreApplication::processEvents();
    return m_paints;
}

bool tst_XLinkLabel::shows(const QColor& color)
{
    const QImage image = m_label->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == color)
                return true;
        }
    }
    return false;
}

void tst_XLinkLabel::savingDefaultsWritesOnlyFont()
{
    XLinkLabel label(m_container.get());
    label.ReadProperties(PropertyBag());
    PropertyBag saved;
    label.WriteProperties(saved);
    QCOMPARE(saved.names(), QStringList { QStringLiteral("font") });
}

void tst_XLinkLabel::newInstanceAlsoWritesCaption()
{
    PropertyBag saved;
    m_label->WriteProperties(saved);
    QCOMPARE(saved.names(), (QStringList { QStringLiteral("caption"), QStringLiteral("font") }));
    QCOMPARE(
        saved.ReadProperty(QStringLiteral("Caption")).toString(), QStringLiteral("XLinkLabel1"));
    QCOMPARE(m_label->Font().pointSize(), 14);
    QVERIFY(!m_label->NormUnderline());
    QVERIFY(m_label->HoverUnderline());
    QCOMPARE(m_label->NormTextColor(), m_label->HoverTextColor());
}

void tst_XLinkLabel::missingEntriesReadAsDefaults()
{
    m_label->setCaption(QStringLiteral("elsewhere"));
    m_label->setURL(QStringLiteral("https://elsewhere.example/"));
    m_label->setHoverUnderline(false);
    m_label->setBackColor(0x123456);
    m_label->ReadProperties(PropertyBag::fromJson(R"({ "normtextcolor": 255 })"));
    QCOMPARE(m_label->Caption(), QStringLiteral("URL Label"));
    QCOMPARE(m_label->URL(), QString::fromUtf8(AppLinks::webSite));
    QVERIFY(m_label->HoverUnderline());
    QCOMPARE(m_label->BackColor(), VbColor::windowBackground);
    QCOMPARE(m_label->NormTextColor(), 255);
    QCOMPARE(m_label->Font().pointSize(), 14);
}

void tst_XLinkLabel::unreadableEntryKeepsTheValueBefore()
{
    m_label->setNormTextColor(0x00C0C0);
    m_label->ReadProperties(
        PropertyBag::fromJson(R"({ "normtextcolor": "blue", "caption": "read on" })"));
    QCOMPARE(m_label->NormTextColor(), 0x00C0C0);
    QCOMPARE(m_label->Caption(), QStringLiteral("read on"));
}

void tst_XLinkLabel::settersRepaintAndNotify_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<std::function<void(XLinkLabel&)>>("write");
    QTest::addColumn<bool>("repaints");
    using Write = std::function<void(XLinkLabel&)>;
    QTest::newRow("BackColor") << "BackColor" << Write([](XLinkLabel& l) { l.setBackColor(1); })
                               << true;
    QTest::newRow("NormTextColor")
        << "NormTextColor" << Write([](XLinkLabel& l) { l.setNormTextColor(1); }) << true;
    QTest::newRow("HoverTextColor")
        << "HoverTextColor" << Write([](XLinkLabel& l) { l.setHoverTextColor(1); }) << true;
    QTest::newRow("NormUnderline")
        << "NormUnderline" << Write([](XLinkLabel& l) { l.setNormUnderline(true); }) << true;
    QTest::newRow("HoverUnderline")
        << "HoverUnderline" << Write([](XLinkLabel& l) { l.setHoverUnderline(false); }) << true;
    QTest::newRow("Font") << "Font" << Write([](XLinkLabel& l) { l.setFont(QFont()); }) << true;
    QTest::newRow("Caption") << "Caption" << Write([](XLinkLabel& l) { l.setCaption("x"); })
                             << true;
    QTest::newRow("URL") << "URL" << Write([](XLinkLabel& l) { l.setURL("https://x.example/"); })
                         << false;
    QTest::newRow("Enabled") << "Enabled" << Write([](XLinkLabel& l) { l.setEnabled(false); })
                             << false;
}

void tst_XLinkLabel::settersRepaintAndNotify()
{
    QFETCH(QString, property);
    QFETCH(std::function<void(XLinkLabel&)>, write);
    QFETCH(bool, repaints);
    QSignalSpy changed(m_label, &XLinkLabel::propertyChanged);
    QCOMPARE(paintsAfter([&] { write(*m_label); }), repaints ? 1 : 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.constFirst().constFirst().toString(), property);
}

void tst_XLinkLabel::edgesCountAsInside_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("inside");
    QTest::newRow("top-left corner") << QPoint(0, 0) << true;
    QTest::newRow("middle") << QPoint(60, 15) << true;
    QTest::newRow("right edge") << QPoint(120, 15) << true;
    QTest::newRow("bottom edge") << QPoint(60, 30) << true;
    QTest::newRow("bottom-right corner") << QPoint(120, 30) << true;
    QTest::newRow("left of it") << QPoint(-1, 15) << false;
    QTest::newRow("above it") << QPoint(60, -1) << false;
    QTest::newRow("right of it") << QPoint(121, 15) << false;
    QTest::newRow("below it") << QPoint(60, 31) << false;
}

void tst_XLinkLabel::edgesCountAsInside()
{
    QFETCH(QPoint, at);
    QFETCH(bool, inside);
    m_label->setNormTextColor(0x0000FF);
    m_label->setHoverTextColor(0x00FF00);
    moveTo(at);
    // While the pointer is over the link the link holds the mouse, and shows the hover colour.
    QCOMPARE(QWidget::mouseGrabber() == m_label, inside);
    QCOMPARE(shows(QColor(0, 255, 0)), inside);
    QCOMPARE(shows(QColor(255, 0, 0)), !inside);
    moveTo(QPoint(-5, -5));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

void tst_XLinkLabel::hoverRepaintsOnlyOnChange()
{
    QCOMPARE(paintsAfter([&] { moveTo(QPoint(5, 5)); }), 1);
    QCOMPARE(paintsAfter([&] {
        moveTo(QPoint(6, 5));
        moveTo(QPoint(50, 20));
    }),
        0);
    QCOMPARE(paintsAfter([&] { moveTo(QPoint(300, 5)); }), 1);
    QCOMPARE(paintsAfter([&] { moveTo(QPoint(301, 5)); }), 0);
}

void tst_XLinkLabel::hoverColourSetWhileHoveredShowsAfterReentering()
{
    m_label->setNormTextColor(0xFF0000);
    m_label->setHoverTextColor(0x0000C0);
    m_label->setNormUnderline(true);
    moveTo(QPoint(5, 5));
    QVERIFY(shows(QColor(0xC0, 0, 0)));
    m_label->setHoverTextColor(0x00FF00);
    QVERIFY(shows(QColor(0xC0, 0, 0)));
    QVERIFY(!shows(QColor(0, 0xFF, 0)));
    moveTo(QPoint(-5, 5));
    QVERIFY(shows(QColor(0, 0, 0xFF)));
    moveTo(QPoint(5, 5));
    QVERIFY(shows(QColor(0, 0xFF, 0)));
}

void tst_XLinkLabel::clickHandsTheAddressOver()
{
    m_label->setURL(QStringLiteral("https://slidewell.example/news"));
    QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(
        m_catcher.urls, QList<QUrl> { QUrl(QStringLiteral("https://slidewell.example/news")) });

    m_label->setEnabled(false);
    QTest::mouseClick(m_container.get(), Qt::LeftButton, {}, m_label->geometry().topLeft());
    QCOMPARE(m_catcher.urls.size(), 1);
}

void tst_XLinkLabel::launcherHandsTheAddressOver()
{
    OpenWebPage(QStringLiteral("https://slidewell.example/users-guide.html"));
    OpenWebPage(QStringLiteral("https://slidewell.example/users-guide.html"));
    QCOMPARE(m_catcher.urls.size(), 2);
    QCOMPARE(m_catcher.urls.constLast(),
        QUrl(QStringLiteral("https://slidewell.example/users-guide.html")));
}

void tst_XLinkLabel::cursorIsThePointingHand()
{
    const QCursor cursor = m_label->cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
    QCOMPARE(cursor.hotSpot(), QPoint(12, 1));
}

QTEST_MAIN(tst_XLinkLabel)
#include "tst_XLinkLabel.moc"
