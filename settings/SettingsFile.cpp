// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

using Values = QMap<QString, QVariant>;

const QString fileInConfigFolder = QStringLiteral("/Slidewell/Slidewell.conf");
const QString damagedCopySuffix = QStringLiteral(".damaged");

// Settings files are small. A FIFO or a device in the file's place would stall the program, and a
// file of many megabytes would be read, copied and parsed again for every value.
constexpr qint64 largestSettingsFile = 1024 * 1024;

bool readBytes(const QString& path, QByteArray& bytes, QString& reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        reason = QStringLiteral("It is not a file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    bytes = file.read(largestSettingsFile + 1);
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return false;
    }
    if (bytes.size() > largestSettingsFile) {
        reason = QStringLiteral("It is too large for a settings file");
        return false;
    }
    return true;
}

// A short write reports no error; writing the rest again brings out the system's reason.
bool writeAll(QFileDevice& file, const QByteArray& bytes, QString& reason)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            reason = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

// QSettings keeps every file it has parsed and trusts that copy while the file's size and time
// stamp are unchanged, which misses a rewrite of equal length within one clock tick. A private
// copy under a fresh name is always parsed from its bytes.
std::unique_ptr<QTemporaryFile> privateCopy(const QByteArray& bytes, QString& reason)
{
    auto copy = std::make_unique<QTemporaryFile>(
        QDir::tempPath() + QStringLiteral("/slidewell-settings-XXXXXX.conf"));
    if (!copy->open()) {
        reason = copy->errorString();
        return nullptr;
    }
    QFile file(copy->fileName());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !writeAll(file, bytes, reason)) {
        if (reason.isEmpty())
            reason = file.errorString();
        return nullptr;
    }
    return copy;
}

Values allValues(const QSettings& settings)
{
    Values values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

std::optional<Values> parse(const QByteArray& bytes, QString& reason)
{
    const std::unique_ptr<QTemporaryFile> copy = privateCopy(bytes, reason);
    if (!copy)
        return std::nullopt;
    const QSettings settings(copy->fileName(), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        reason = QStringLiteral("It is not a settings file");
        return std::nullopt;
    }
    return allValues(settings);
}

// The bytes QSettings writes for these values, parsed again before they may replace anything:
// QSettings does not notice every failed write (a full disk cuts the file short unseen). Nothing,
// with `reason` empty, when `start` is not a settings file or the output does not read back as
// `expected`; `readBack` is then what it does read back as.
std::optional<QByteArray> written(const QByteArray& start, const Values& changes, Values& expected,
    Values& readBack, QString& reason)
{
    const std::unique_ptr<QTemporaryFile> copy = privateCopy(start, reason);
    if (!copy)
        return std::nullopt;
    {
        QSettings settings(copy->fileName(), QSettings::IniFormat);
        if (settings.status() != QSettings::NoError)
            return std::nullopt;
        for (auto change = changes.cbegin(); change != changes.cend(); ++change)
            settings.setValue(change.key(), change.value());
        settings.sync();
        expected = allValues(settings);
    }
    QByteArray result;
    if (!readBytes(copy->fileName(), result, reason))
        return std::nullopt;
    readBack = parse(result, reason).value_or(Values());
    if (!reason.isEmpty() || readBack != expected)
        return std::nullopt;
    return result;
}

// The file's bytes with one value set. A damaged file (not a settings file, or one whose values
// do not survive QSettings' own round trip) gives a sound file instead, with `damaged` set: every
// value of it that reads back unchanged, and the new one.
std::optional<QByteArray> withValue(const QByteArray& bytes, const QString& key,
    const QString& text, bool& damaged, QString& reason)
{
    Values expected;
    Values readBack;
    damaged = false;
    if (std::optional<QByteArray> result =
            written(bytes, { { key, text } }, expected, readBack, reason))
        return result;
    if (!reason.isEmpty())
        return std::nullopt;

    // Reading took what it could; of that, only what a fresh file gives back unchanged is kept.
    const Values readable = parse(bytes, reason).value_or(Values());
    reason.clear();
    written(QByteArray(), readable, expected, readBack, reason);
    if (!reason.isEmpty())
        return std::nullopt;
    Values kept;
    for (auto value = readable.cbegin(); value != readable.cend(); ++value) {
        if (readBack.value(value.key()) == value.value())
            kept.insert(value.key(), value.value());
    }
    kept.insert(key, text);
    std::optional<QByteArray> result = written(QByteArray(), kept, expected, readBack, reason);
    if (!result) {
        // Sound values that a fresh file cannot hold: the write itself failed.
        if (reason.isEmpty())
            reason = QStringLiteral("The temporary folder %1 could not hold the new settings")
                         .arg(QDir::toNativeSeparators(QDir::tempPath()));
        return std::nullopt;
    }
    damaged = true;
    return result;
}

// Replaces the file at `path` in one step. Unbuffered, so that a short write shows here rather
// than going unnoticed in commit().
bool replaceFile(const QString& path, const QByteArray& bytes, QString& reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeAll(file, bytes, reason)
        || !file.commit()) {
        if (reason.isEmpty())
            reason = file.errorString();
        return false;
    }
    return true;
}

QString settingsKey(const QString& group, const QString& name) { return group + u'/' + name; }

} // namespace

SettingsFile::SettingsFile(QString path)
    : m_path(std::move(path))
{ }

SettingsFile SettingsFile::user()
{
    return SettingsFile(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + fileInConfigFolder);
}

QList<SettingsFile> SettingsFile::lookupOrder()
{
    // The user's folder comes first in this list, followed by the machine-wide ones.
    QList<SettingsFile> files;
    for (const QString& folder :
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files.append(SettingsFile(folder + fileInConfigFolder));
    return files;
}

std::optional<QString> SettingsFile::value(const QString& group, const QString& name) const
{
    QByteArray bytes;
    QString reason;
    if (!readBytes(m_path, bytes, reason))
        return std::nullopt;
    const std::optional<Values> values = parse(bytes, reason);
    if (!values || !values->contains(settingsKey(group, name)))
        return std::nullopt;
    // Values of other kinds (a list of unquoted commas, typed values) give what QVariant makes
    // of them as text, often the empty text.
    return values->value(settingsKey(group, name)).toString();
}

bool SettingsFile::setValue(
    const QString& group, const QString& name, const QString& text, QString& reason) const
{
    const QFileInfo info(m_path);
    std::error_code folderError;
    std::filesystem::create_directories(
        std::filesystem::path(QFile::encodeName(info.absolutePath()).toStdString()), folderError);
    if (folderError) {
        reason = QString::fromLocal8Bit(folderError.message());
        return false;
    }

    // The other values of the file must survive the write, so a file that is there but cannot
    // be read stops it.
    QByteArray bytes;
    if (info.exists() && !readBytes(m_path, bytes, reason))
        return false;
    bool damaged = false;
    const std::optional<QByteArray> result =
        withValue(bytes, settingsKey(group, name), text, damaged, reason);
    if (!result)
        return false;
    // The damaged bytes are kept beside the sound file, replacing an earlier damaged copy.
    if (damaged && !replaceFile(m_path + damagedCopySuffix, bytes, reason))
        return false;
    return replaceFile(m_path, *result, reason);
}
