// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

enum class MetafileKind { None, Emf, Wmf };

// Reads what an EMF or WMF file says about itself, without trusting it: the kind, the picture's
// natural size and where its records end. Every offset and size is checked against the data
// before use, and nothing is allocated from a value the file declares.
class MetafileHeader
{
public:
    // The kind that the first bytes of a file announce; enough for telling formats apart.
    static MetafileKind detect(const QByteArray& start);

    // Checks a whole metafile: its header, its natural size and every record up to the end
    // record. False with errorString() set when the file is damaged or not a metafile.
    bool read(const QByteArray& data);

    MetafileKind kind() const { return m_kind; }
    // The picture's size in pixels at 96 per inch; only its proportions matter to the show.
    QSize naturalSize() const { return m_naturalSize; }
    // Bytes from the start of the file to the end of its end record; anything after that is
    // not part of the picture.
    qsizetype recordsLength() const { return m_recordsLength; }
    QString errorString() const { return m_errorString; }

private:
    bool fail(const QString& text);
    bool readEmf(const QByteArray& data);
    bool readWmf(const QByteArray& data);

    MetafileKind m_kind = MetafileKind::None;
    QSize m_naturalSize;
    qsizetype m_recordsLength = 0;
    QString m_errorString;
};
