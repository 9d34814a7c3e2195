// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/AboutForm.h"

AboutForm::AboutForm(QWidget* parent)
    : QDialog(parent)
{ }
