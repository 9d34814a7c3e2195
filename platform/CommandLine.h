// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The argument text of the command line as one text: the shell has already split and unquoted
// it, so the arguments after the program's name are joined again by single spaces.
QString commandLineArgumentText(const QStringList& arguments);
