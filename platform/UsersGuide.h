// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The file:// address of the user's guide that comes with this program: the build's copy when
// it runs from the build tree, else the installed one.
QString usersGuideAddress();
