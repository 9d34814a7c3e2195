// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/VbColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

namespace VbColor {

QColor systemQColor(int index)
{
    struct Role
    {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    };
    constexpr auto A = QPalette::Active;
    constexpr auto D = QPalette::Disabled;
    // Nearest palette role for each system colour, from scroll bar (0) to menu bar (30).
    static constexpr std::array<Role, 31> roles { {
        { A, QPalette::Button }, // scroll bar
        { A, QPalette::Dark }, // desktop
        { A, QPalette::Highlight }, // active caption
        { A, QPalette::Mid }, // inactive caption
        { A, QPalette::Window }, // menu
        { A, QPalette::Base }, // window
        { A, QPalette::Shadow }, // window frame
        { A, QPalette::WindowText }, // menu text
        { A, QPalette::Text }, // window text
        { A, QPalette::HighlightedText }, // caption text
        { A, QPalette::Button }, // active border
        { A, QPalette::Button }, // inactive border
        { A, QPalette::Mid }, // application workspace
        { A, QPalette::Highlight }, // highlight
        { A, QPalette::HighlightedText }, // highlight text
        { A, QPalette::Button }, // button face
        { A, QPalette::Dark }, // button shadow
        { D, QPalette::Text }, // grey text
        { A, QPalette::ButtonText }, // button text
        { A, QPalette::Window }, // inactive caption text: the program's window background
        { A, QPalette::Light }, // button highlight
        { A, QPalette::Shadow }, // 3D dark shadow
        { A, QPalette::Midlight }, // 3D light
        { A, QPalette::ToolTipText }, // info text
        { A, QPalette::ToolTipBase }, // info background
        { A, QPalette::Window }, // unused slot
        { A, QPalette::Link }, // hot light
        { A, QPalette::Highlight }, // gradient active caption
        { A, QPalette::Mid }, // gradient inactive caption
        { A, QPalette::Highlight }, // menu highlight
        { A, QPalette::Window }, // menu bar
    } };
    if (index < 0 || index >= int(roles.size()))
        return QColor(Qt::black);
    const QPalette palette = QGuiApplication::palette();
    return palette.color(roles[index].group, roles[index].role);
}

QColor toQColor(qint32 value)
{
    if (isSystemColor(value))
        return systemQColor(value & 0xFF);
    const auto bgr = quint32(value);
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

qint32 fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return qint32(quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16));
}

} // namespace VbColor
