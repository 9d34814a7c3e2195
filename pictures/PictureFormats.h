// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A picture format the show offers: its text in the format list and the file-name patterns of its
// files (Windows wildcards, matched without regard to case). Which decoder reads a file is decided
// by its content, never by these.
struct PictureFormat
{
    QString name;
    QStringList patterns;
};

// The supported formats in the order of the format list: the seven classic ones first.
const QList<PictureFormat>& pictureFormats();

// The patterns of every supported format: the files of an "All Pictures" show.
QStringList allPicturePatterns();
