// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. An option is recognised only as the first argument, so any
// other text, even one that begins with "--", reaches the folder box as typed.
struct CommandLine
{
    // Text for standard output in place of a window (--help, --version); empty to start.
    QString output;
    // The folder box's text: the remaining arguments joined again by single spaces (the shell
    // has already split and unquoted them), a file:// URI made a local path and a leading "~/"
    // expanded to the home folder.
    QString folderText;
    // --play: the show starts at once, with the stored settings and the folder, if given.
    bool play = false;
};

CommandLine parseCommandLine(const QStringList& arguments);
