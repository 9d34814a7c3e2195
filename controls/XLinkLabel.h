// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

class PropertyBag;

// A one-line link: it paints its caption from the top-left corner, switches text colour and
// underline while the pointer is over it, shows a pointing hand and opens URL when clicked.
// Colours are colour values (0x00BBGGRR or a system colour).
class XLinkLabel : public QWidget
{
    Q_OBJECT
public:
    explicit XLinkLabel(QWidget* parent = nullptr);

    // Each write stores the value, copies the normal look to the surface, repaints where the
    // look may change and announces the property's name through propertyChanged.
    qint32 BackColor() const { return mBackColor; }
    void setBackColor(qint32 value);
    qint32 NormTextColor() const { return mNormTextColor; }
    void setNormTextColor(qint32 value);
    qint32 HoverTextColor() const { return mHoverTextColor; }
    void setHoverTextColor(qint32 value);
    bool NormUnderline() const { return mNormUnderline; }
    void setNormUnderline(bool value);
    bool HoverUnderline() const { return mHoverUnderline; }
    void setHoverUnderline(bool value);
    // Hides QWidget::setFont: the link's font is a property of its own, drawn by Paint.
    QFont Font() const { return mFont; }
    void setFont(const QFont& value);
    QString Caption() const { return mCaption; }
    void setCaption(const QString& value);
    QString URL() const { return mURL; }
    void setURL(const QString& value);
    // Hides QWidget::setEnabled so that the change is stored and announced like the others.
    bool Enabled() const { return mEnabled; }
    void setEnabled(bool value);

    // A newly placed link: the container's font and colours, the maker's web site, the
    // instance's own name as the caption.
    void InitProperties();
    // A link loaded from saved form data; a value that cannot be read keeps the one before.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    static constexpr const char* defaultCaption = "URL Label";

signals:
    void propertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The container's offer to a new or loaded link.
    QFont ambientFont() const;
    static qint32 ambientBackColor();
    static qint32 ambientForeColor();

    // x and y in twips relative to the control's top-left corner.
    void MouseMove(double x, double y);
    void Click();

    qint32 mBackColor = 0;
    qint32 mNormTextColor = 0;
    qint32 mHoverTextColor = 0;
    bool mNormUnderline = false;
    bool mHoverUnderline = false;
    bool mEnabled = true;
    QFont mFont;
    QString mCaption;
    QString mURL;
    int mWidth = 0;
    int mHeight = 0;
    bool mHover = false;

    // The look on screen, which the hover logic switches between the normal and hover values.
    qint32 m_surfaceBackColor = 0;
    qint32 m_surfaceTextColor = 0;
    QFont m_surfaceFont;
};
