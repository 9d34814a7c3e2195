// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/RegistryToolModule.h"

#include "platform/RuntimeError.h"
#include "settings/SettingsFile.h"

#include <QDir>

namespace RegistryToolModule {

namespace {

// The runtime's number for a file that cannot be written.
constexpr int pathFileAccessError = 75;

// Key path components become nested settings groups.
QString groupOf(const QString& keyPath)
{
    QString group = keyPath;
    return group.replace(u'\\', u'/');
}

} // namespace

// Off Windows there is one store for every root: the user's file over the machine-wide ones.
bool ReadKeyValue([[maybe_unused]] quint32 root, const QString& keyPath, const QString& valueName,
    QString& valueText)
{
    if (!IsValidKeyPath(keyPath))
        return false;
    const QString group = groupOf(keyPath);
    for (const SettingsFile& file : SettingsFile::lookupOrder()) {
        if (const std::optional<QString> text = file.value(group, valueName)) {
            valueText = *text;
            return true;
        }
    }
    return false;
}

bool SetKeyValue([[maybe_unused]] quint32 root, const QString& keyPath, const QString& valueName,
    const QString& valueText)
{
    const SettingsFile file = SettingsFile::user();
    QString reason;
    if (!file.setValue(groupOf(keyPath), valueName, valueText, reason)) {
        throw RuntimeError(pathFileAccessError, QStringLiteral("QZT.RegTool"),
            QStringLiteral("Could not save the setting \"%1\" in %2: %3")
                .arg(valueName, QDir::toNativeSeparators(file.path()), reason));
    }
    return true;
}

bool IsValidKeyPath(const QString& keyPath)
{
    return !keyPath.startsWith(u'\\') && !keyPath.endsWith(u'\\')
        && !keyPath.contains(QLatin1String("\\\\"));
}

} // namespace RegistryToolModule
