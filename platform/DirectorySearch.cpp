// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/DirectorySearch.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace {

// The system's reason when the folder cannot be listed; a missing folder simply holds nothing.
QString listingError(const QString& folder)
{
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (dir) {
        closedir(dir);
        return {};
    }
    return errno == ENOENT ? QString() : qt_error_string(errno);
}

// Deep enough for any collection sorted by hand, shallow enough to end a walk through a folder
// mounted inside itself.
constexpr int subfolderDepthLimit = 16;

void sortByName(QStringList& names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int byCase = a.compare(b, Qt::CaseInsensitive);
        return byCase != 0 ? byCase < 0 : a < b;
    });
}

} // namespace

DirectorySearch::Result DirectorySearch::first(const QString& pathPattern)
{
    m_names.clear();
    m_position = 0;
    const qsizetype slash = pathPattern.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral("./") : pathPattern.left(slash + 1);
    const QString pattern = pathPattern.mid(slash + 1);
    const QString error = listingError(folder);
    if (!error.isEmpty())
        return { QString(), error };

    collect(folder, QString(), pattern, 0);
    if (m_shuffled) {
        std::shuffle(m_names.begin(), m_names.end(), *QRandomGenerator::global());
        if (m_names.size() > 1 && m_names.first() == m_last)
            m_names.swapItemsAt(0, m_names.size() - 1);
    } else if (m_reversed) {
        std::reverse(m_names.begin(), m_names.end());
    }
    return { next(), QString() };
}

void DirectorySearch::collect(
    const QString& folder, const QString& relative, const QString& pattern, int depth)
{
    // Ordinary files only: no hidden files, no FIFOs, sockets or devices.
    QStringList files;
    QStringList folders;
    QDirIterator entries(folder + relative,
        QDir::Files | QDir::NoDotAndDotDot | (m_subfolders ? QDir::Dirs : QDir::Filters()));
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.fileName().startsWith(u'.'))
            continue;
        if (entry.isFile() && matches(pattern, entry.fileName()))
            files.append(entry.fileName());
        else if (entry.isDir() && !entry.isSymLink() && depth < subfolderDepthLimit)
            folders.append(entry.fileName());
    }
    sortByName(files);
    for (const QString& name : std::as_const(files))
        m_names.append(relative + name);
    sortByName(folders);
    for (const QString& name : std::as_const(folders))
        collect(folder, relative + name + u'/', pattern, depth + 1);
}

QString DirectorySearch::next()
{
    if (m_position >= m_names.size())
        return QString();
    m_last = m_names.at(m_position++);
    return m_last;
}

bool DirectorySearch::matches(const QString& pattern, const QString& name)
{
    if (pattern.contains(u';')) {
        const QStringList patterns = pattern.split(u';');
        return std::any_of(patterns.cbegin(), patterns.cend(),
            [&name](const QString& one) { return matches(one, name); });
    }
    // A final "." stands for "no extension": "*." matches names without a dot.
    if (pattern.endsWith(u'.') && pattern.size() > 1)
        return !name.contains(u'.') && matches(pattern.chopped(1), name);
    // Iterative wildcard match with backtracking to the last "*": linear in practice.
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        // "*" is a wildcard even where the name holds a "*" of its own.
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size()
            && (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}
