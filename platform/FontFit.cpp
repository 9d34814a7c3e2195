// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/FontFit.h"

#include <QWidget>

void shrinkFontToFit(QWidget* widget, const std::function<bool()>& fits)
{
    QFont font = widget->font();
    for (double points = 8.0; points >= 6.0; points -= 0.5) {
        font.setPointSizeF(points);
        widget->setFont(font);
        if (fits())
            return;
    }
}
