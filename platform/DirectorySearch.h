// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The show's folder search: started with a path pattern, it hands out the matching ordinary files
// one name at a time. Names match the pattern by the Windows wildcard rules without regard to
// case, and come in name order without regard to case, or shuffled. The listing is taken when the
// search starts, so files added later are seen only when it starts again.
class DirectorySearch
{
public:
    struct Result
    {
        QString name; // empty when nothing matches
        // Why the folder cannot be read (the system's reason); empty when it was read. A folder
        // that does not exist is read as an empty one.
        QString error;
    };

    // Options of the searches that follow. With subfolders, names below the folder come after
    // the folder's own files, folder by folder in name order, as paths relative to the folder;
    // hidden folders and symbolic links to folders are left out, and the walk stops at a depth
    // limit. Shuffled, each search hands out its names in a new random order, not starting with
    // the name that the previous search handed out last.
    void setSubfolders(bool on) { m_subfolders = on; }
    void setShuffled(bool on) { m_shuffled = on; }
    // Reversed, the whole list comes last name first; a shuffled search ignores it.
    void setReversed(bool on) { m_reversed = on; }

    // Starts a new search for "folder/pattern" and returns the first name (without the folder).
    Result first(const QString& pathPattern);
    // The next name of the current search, or empty text when there are no more.
    QString next();

    // "*" matches any run of characters and "?" any one; letter case is not significant. Several
    // patterns separated by ";" match a name that any one of them matches.
    static bool matches(const QString& pattern, const QString& name);

private:
    void collect(const QString& folder, const QString& relative, const QString& pattern, int depth);

    QStringList m_names;
    qsizetype m_position = 0;
    QString m_last;
    bool m_subfolders = false;
    bool m_shuffled = false;
    bool m_reversed = false;
};
