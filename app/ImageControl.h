// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

// The picture of the show: draws its image stretched to its own width and height and reports
// mouse presses on itself.
class ImageControl : public QWidget
{
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    // Takes the new picture and releases the previous one; an empty image clears the control.
    void setPicture(QImage picture);
    // Below 1 the picture lets what lies beneath it show through; at 0 it paints nothing.
    void setOpacity(qreal opacity);

signals:
    void mousePressed(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void updateOpaque();

    QImage m_picture;
    qreal m_opacity = 1;
};
