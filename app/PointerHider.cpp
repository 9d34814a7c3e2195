// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/PointerHider.h"

#include <QApplication>
#include <QEvent>

namespace {

constexpr int idleMilliseconds = 2000;

} // namespace

PointerHider::PointerHider(QObject* parent)
    : QObject(parent)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMilliseconds);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        QApplication::setOverrideCursor(Qt::BlankCursor);
        m_hidden = true;
    });
}

void PointerHider::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active) {
        // The application sees every move, also over widgets that do not track the mouse.
        qApp->installEventFilter(this);
        m_idle.start();
    } else {
        qApp->removeEventFilter(this);
        m_idle.stop();
        reveal();
    }
}

bool PointerHider::eventFilter(QObject*, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress) {
        reveal();
        m_idle.start();
    }
    return false;
}

void PointerHider::reveal()
{
    if (std::exchange(m_hidden, false))
        QApplication::restoreOverrideCursor();
}
