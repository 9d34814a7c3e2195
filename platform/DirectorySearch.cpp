// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/DirectorySearch.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

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

} // namespace

DirectorySearch::Result DirectorySearch::first(const QString& pathPattern)
{
    m_names.clear();
    m_position = 0;
    const qsizetype slash = pathPattern.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : pathPattern.left(slash + 1);
    const QString pattern = pathPattern.mid(slash + 1);
    const QString error = listingError(folder);
    if (!error.isEmpty())
        return { QString(), error };

    // Ordinary files only: no directories, no hidden files, no FIFOs, sockets or devices.
    QDirIterator entries(folder, QDir::Files | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.isFile() && !entry.fileName().startsWith(u'.')
            && matches(pattern, entry.fileName()))
            m_names.append(entry.fileName());
    }
    std::sort(m_names.begin(), m_names.end(), [](const QString& a, const QString& b) {
        const int byCase = a.compare(b, Qt::CaseInsensitive);
        return byCase != 0 ? byCase < 0 : a < b;
    });
    return { next(), QString() };
}

QString DirectorySearch::next()
{
    return m_position < m_names.size() ? m_names.at(m_position++) : QString();
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
