// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/XLinkLabel.h"

#include "controls/PropertyBag.h"
#include "platform/AppLinks.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "shell/SharedFunctions.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <optional>

namespace {

constexpr qint32 buttonTextColor = VbColor::systemColor(18);

std::optional<qint32> toColor(const QVariant& value)
{
    bool ok = false;
    const int color = value.toInt(&ok);
    return ok ? std::optional<qint32>(color) : std::nullopt;
}

std::optional<bool> toBoolean(const QVariant& value)
{
    if (!value.canConvert<bool>())
        return std::nullopt;
    return value.toBool();
}

} // namespace

XLinkLabel::XLinkLabel(QWidget* parent)
    : QWidget(parent)
{
    // Moves without a button pressed must arrive too: they drive the hover look.
    setMouseTracking(true);
    setCursor(QCursor(QPixmap(QStringLiteral(":/images/hand-pointer.svg")), 12, 1));
}

void XLinkLabel::setBackColor(qint32 value)
{
    mBackColor = value;
    m_surfaceBackColor = value;
    update();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void XLinkLabel::setNormTextColor(qint32 value)
{
    mNormTextColor = value;
    m_surfaceTextColor = value;
    update();
    emit propertyChanged(QStringLiteral("NormTextColor"));
}

void XLinkLabel::setHoverTextColor(qint32 value)
{
    mHoverTextColor = value;
    update();
    emit propertyChanged(QStringLiteral("HoverTextColor"));
}

void XLinkLabel::setNormUnderline(bool value)
{
    mNormUnderline = value;
    m_surfaceFont.setUnderline(value);
    update();
    emit propertyChanged(QStringLiteral("NormUnderline"));
}

void XLinkLabel::setHoverUnderline(bool value)
{
    mHoverUnderline = value;
    update();
    emit propertyChanged(QStringLiteral("HoverUnderline"));
}

void XLinkLabel::setFont(const QFont& value)
{
    mFont = value;
    m_surfaceFont = mFont;
    update();
    emit propertyChanged(QStringLiteral("Font"));
}

void XLinkLabel::setCaption(const QString& value)
{
    mCaption = value;
    update();
    emit propertyChanged(QStringLiteral("Caption"));
}

void XLinkLabel::setURL(const QString& value)
{
    mURL = value;
    emit propertyChanged(QStringLiteral("URL"));
}

void XLinkLabel::setEnabled(bool value)
{
    mEnabled = value;
    QWidget::setEnabled(value);
    emit propertyChanged(QStringLiteral("Enabled"));
}

void XLinkLabel::InitProperties()
{
    setFont(ambientFont());
    setBackColor(ambientBackColor());
    setNormTextColor(ambientForeColor());
    setHoverTextColor(ambientForeColor());
    setURL(QString::fromUtf8(AppLinks::webSite));
    setEnabled(true);
    setCaption(objectName());
    setNormUnderline(false);
    setHoverUnderline(true);
}

void XLinkLabel::ReadProperties(const PropertyBag& bag)
{
    const QVariant font = bag.ReadProperty(QStringLiteral("Font"), ambientFont());
    if (font.typeId() == QMetaType::QFont)
        setFont(font.value<QFont>());
    if (const auto color =
            toColor(bag.ReadProperty(QStringLiteral("BackColor"), ambientBackColor())))
        setBackColor(*color);
    if (const auto color =
            toColor(bag.ReadProperty(QStringLiteral("NormTextColor"), ambientForeColor())))
        setNormTextColor(*color);
    if (const auto color =
            toColor(bag.ReadProperty(QStringLiteral("HoverTextColor"), ambientForeColor())))
        setHoverTextColor(*color);
    setURL(
        bag.ReadProperty(QStringLiteral("URL"), QString::fromUtf8(AppLinks::webSite)).toString());
    if (const auto enabled = toBoolean(bag.ReadProperty(QStringLiteral("Enabled"), true)))
        setEnabled(*enabled);
    setCaption(
        bag.ReadProperty(QStringLiteral("Caption"), QString::fromUtf8(defaultCaption)).toString());
    if (const auto underline = toBoolean(bag.ReadProperty(QStringLiteral("NormUnderline"), false)))
        setNormUnderline(*underline);
    if (const auto underline = toBoolean(bag.ReadProperty(QStringLiteral("HoverUnderline"), true)))
        setHoverUnderline(*underline);
}

void XLinkLabel::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("Font"), Font());
    bag.WriteProperty(QStringLiteral("BackColor"), BackColor(), ambientBackColor());
    bag.WriteProperty(QStringLiteral("NormTextColor"), NormTextColor(), ambientForeColor());
    bag.WriteProperty(QStringLiteral("HoverTextColor"), HoverTextColor(), ambientForeColor());
    bag.WriteProperty(QStringLiteral("URL"), URL(), QString::fromUtf8(AppLinks::webSite));
    bag.WriteProperty(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteProperty(QStringLiteral("Caption"), Caption(), QString::fromUtf8(defaultCaption));
    bag.WriteProperty(QStringLiteral("NormUnderline"), NormUnderline(), false);
    bag.WriteProperty(QStringLiteral("HoverUnderline"), HoverUnderline(), true);
}

QFont XLinkLabel::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

// The program's containers all have the window background and the default text colour.
qint32 XLinkLabel::ambientBackColor() { return VbColor::windowBackground; }

qint32 XLinkLabel::ambientForeColor() { return buttonTextColor; }

void XLinkLabel::resizeEvent(QResizeEvent* event)
{
    mWidth = Twips::fromPixels(width());
    mHeight = Twips::fromPixels(height());
    QWidget::resizeEvent(event);
}

void XLinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    MouseMove(at.x() * Twips::perPixel, at.y() * Twips::perPixel);
}

void XLinkLabel::MouseMove(double x, double y)
{
    releaseMouse();
    // The right and bottom edges count as inside.
    const bool inside = x >= 0 && y >= 0 && x <= mWidth && y <= mHeight;
    // Holding the mouse keeps the moves coming after the pointer leaves, so the first move
    // outside ends the hover look.
    if (inside)
        grabMouse();
    if (inside == mHover)
        return;
    mHover = inside;
    m_surfaceFont.setUnderline(mHover ? mHoverUnderline : mNormUnderline);
    m_surfaceTextColor = mHover ? mHoverTextColor : mNormTextColor;
    update();
}

void XLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Click();
}

void XLinkLabel::Click() { OpenWebPage(URL()); }

void XLinkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), VbColor::toQColor(m_surfaceBackColor));
    painter.setFont(m_surfaceFont);
    painter.setPen(VbColor::toQColor(m_surfaceTextColor));
    painter.drawText(QPoint(0, QFontMetrics(m_surfaceFont).ascent()), mCaption);
}

void XLinkLabel::changeEvent(QEvent* event)
{
    // The drawing does not depend on the enabled state, so a change of it needs no repaint.
    if (event->type() == QEvent::EnabledChange)
        return;
    QWidget::changeEvent(event);
}
