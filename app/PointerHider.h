// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

// While active, hides the mouse pointer over the whole program once it has stood still for a
// while, and shows it again as soon as it moves or a button is pressed.
class PointerHider : public QObject
{
    Q_OBJECT
public:
    explicit PointerHider(QObject* parent = nullptr);
    ~PointerHider() override { setActive(false); }

    void setActive(bool active);
    bool isHidden() const { return m_hidden; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reveal();

    QTimer m_idle;
    bool m_active = false;
    bool m_hidden = false;
};
