// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/CommandLine.h"

QString commandLineArgumentText(const QStringList& arguments)
{
    return arguments.mid(1).join(u' ');
}
