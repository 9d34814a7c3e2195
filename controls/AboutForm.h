// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>

class AboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit AboutForm(QWidget* parent = nullptr);
};
