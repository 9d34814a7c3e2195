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

// The file's bytes with one value set, as QSettings writes them.
std::optional<QByteArray> withValue(
    const QByteArray& bytes, const QString& key, const QString& text, QString& reason)
{
    const std::unique_ptr<QTemporaryFile> copy = privateCopy(bytes, reason);
    if (!copy)
        return std::nullopt;
    Values expected;
    {
        QSettings settings(copy->fileName(), QSettings::IniFormat);
        if (settings.status() != QSettings::NoError) {
            reason = QStringLiteral("It is not a settings file");
            return std::nullopt;
        }
        settings.setValue(key, text);
        settings.sync();
        expected = allValues(settings);
    }
    // QSettings does not notice every failed write (a full disk cuts the file short unseen), so
    // its output is parsed again before it may replace anything.
    QByteArray result;
    if (!readBytes(copy->fileName(), result, reason))
        return std::nullopt;
    if (parse(result, reason) != expected) {
        if (reason.isEmpty())
            reason = QStringLiteral("The temporary folder %1 could not hold the new settings")
                         .arg(QDir::toNativeSeparators(QDir::tempPath()));
        return std::nullopt;
    }
    return result;
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
    const std::optional<QByteArray> result =
        withValue(bytes, settingsKey(group, name), text, reason);
    if (!result)
        return false;

    // Unbuffered, so that a short write shows here rather than going unnoticed in commit().
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeAll(file, *result, reason)
        || !file.commit()) {
        if (reason.isEmpty())
            reason = file.errorString();
        return false;
    }
    return true;
}
