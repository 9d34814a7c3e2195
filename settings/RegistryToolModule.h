// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// Named text values under a root and a key path. They are written to the user's settings file and
// looked for there first, then in the machine-wide files, so an administrator can preset them.
namespace RegistryToolModule {

constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;

// Reads one value. On success sets valueText and returns true; when the key path is invalid, the
// value is missing or no file holding it can be read, returns false and leaves valueText exactly
// as it was.
bool ReadKeyValue(
    quint32 root, const QString& keyPath, const QString& valueName, QString& valueText);

// Writes one value through at once. Returns true; a failure throws RuntimeError with source
// "QZT.RegTool".
bool SetKeyValue(
    quint32 root, const QString& keyPath, const QString& valueName, const QString& valueText);

// False when the path begins or ends with a backslash or holds two in a row.
bool IsValidKeyPath(const QString& keyPath);

} // namespace RegistryToolModule
