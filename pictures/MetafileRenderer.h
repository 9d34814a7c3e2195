// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Draws an EMF or WMF file at a given pixel size by running the helper program
// slidewell-metafile under a time limit and a memory limit. The metafile libraries run in that
// process only, so a crash, a hang or a runaway allocation there is one file that cannot be read.
class MetafileRenderer
{
public:
    // Uses the helper found by findHelper().
    MetafileRenderer();

    // The helper next to the running program, else the installed one; the environment variable
    // SLIDEWELL_METAFILE_HELPER names another. Empty text when there is none.
    static QString findHelper();

    void setHelperPath(const QString& path) { m_helperPath = path; }
    QString helperPath() const { return m_helperPath; }
    void setTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }
    // The helper's address space beyond what the picture itself needs.
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = bytes; }

    // The picture at exactly pixelSize, transparent where the metafile draws nothing; a null
    // image when it cannot be drawn, with errorString() saying why.
    QImage render(const QString& path, const QSize& pixelSize);
    QString errorString() const { return m_errorString; }

    // How the last render() went; a crash or a timeout is never the metafile's fault alone.
    enum class Outcome { Drawn, Unreadable, Crashed, TimedOut };
    Outcome outcome() const { return m_outcome; }

    // The largest picture the helper is asked to draw.
    static constexpr int largestSide = 16384;
    static constexpr qint64 largestArea = 8192LL * 8192LL;

private:
    QImage fail(const QString& text, Outcome outcome = Outcome::Unreadable);

    QString m_helperPath;
    int m_timeLimit = 10000;
    qint64 m_memoryLimit = 1024LL * 1024 * 1024;
    QString m_errorString;
    Outcome m_outcome = Outcome::Drawn;
};
