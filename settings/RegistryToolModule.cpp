// SPDX-License-Identifier: GPL-2.0-or-later
// PLACEHOLDER: the settings file is being built.
#include "settings/RegistryToolModule.h"

namespace RegistryToolModule {

bool ReadKeyValue(quint32, const QString&, const QString&, QString&) { return false; }

bool SetKeyValue(quint32, const QString&, const QString&, const QString&) { return true; }

bool IsValidKeyPath(const QString& keyPath)
{
    return !keyPath.startsWith(u'\\') && !keyPath.endsWith(u'\\')
        && !keyPath.contains(QLatin1String("\\\\"));
}

} // namespace RegistryToolModule
