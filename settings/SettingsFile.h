// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// One INI settings file, parsed afresh on every read and replaced whole on every write.
class SettingsFile
{
public:
    explicit SettingsFile(QString path);

    const QString& path() const { return m_path; }

    // The user's own file: $XDG_CONFIG_HOME/Slidewell/Slidewell.conf.
    static SettingsFile user();
    // Where a value is looked for, in order: the user's file, then the machine-wide files under
    // $XDG_CONFIG_DIRS. Both variables are read at every call.
    static QList<SettingsFile> lookupOrder();

    // The value of key `name` in `group` (components separated by '/'), or nothing when the
    // file or the value is missing or the file cannot be read.
    std::optional<QString> value(const QString& group, const QString& name) const;

    // Stores the value, creating the file and its folder when missing; the file is replaced in
    // one step, so it holds either all the old values or all the new ones. On failure returns
    // false with the system's reason and leaves the file as it was.
    bool setValue(
        const QString& group, const QString& name, const QString& text, QString& reason) const;

private:
    QString m_path;
};
