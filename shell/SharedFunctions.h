// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// Hands the address to the desktop's default handler and returns at once; the outcome is not
// examined and nothing is reported.
void OpenWebPage(const QString& address);
