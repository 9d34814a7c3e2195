// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <memory>

class QProcess;

// Draws an EMF or WMF file at a given pixel size by running the helper program
// slidewell-metafile under a time limit and a memory limit. The metafile libraries run in that
// process only, so a crash, a hang or a runaway allocation there is one file that cannot be read.
class MetafileRenderer : public QObject
{
    Q_OBJECT
public:
    // Uses the helper found by findHelper().
    MetafileRenderer();
    ~MetafileRenderer() override;

    // The helper next to the running program, else the installed one; the environment variable
    // SLIDEWELL_METAFILE_HELPER names another. Empty text when there is none.
    static QString findHelper();

    void setHelperPath(const QString& path) { m_helperPath = path; }
    QString helperPath() const { return m_helperPath; }
    void setTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }
    // The helper's address space beyond what the picture itself needs.
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = bytes; }

    // The picture at exactly pixelSize, transparent where the metafile draws nothing; a null
    // image when it cannot be drawn, with errorString() saying why. Waits for the helper.
    QImage render(const QString& path, const QSize& pixelSize);

    // The same without waiting: finished() follows, from this thread's event loop. False, with
    // errorString() set and no signal, when the helper cannot even be asked. A drawing still
    // under way is cancelled first.
    bool start(const QString& path, const QSize& pixelSize);
    // Kills the helper of the drawing under way, if any; no finished() follows for it.
    void cancel();

    QString errorString() const { return m_errorString; }

    // How the last drawing went; a crash or a timeout is never the metafile's fault alone.
    enum class Outcome { Drawn, Unreadable, Crashed, TimedOut };
    Outcome outcome() const { return m_outcome; }

    // The largest picture the helper is asked to draw.
    static constexpr int largestSide = 16384;
    static constexpr qint64 largestArea = 8192LL * 8192LL;

Q_SIGNALS:
    // The picture, or a null image with errorString() and outcome() saying why.
    void finished(const QImage& image);

private:
    bool refuse(const QString& text, Outcome outcome = Outcome::Unreadable);
    void readPixels();
    void helperFinished();
    void finish(const QImage& image);
    void fail(const QString& text, Outcome outcome = Outcome::Unreadable);
    // Lets go of the helper process; one still running is killed and reaped later.
    void releaseHelper();

    QString m_helperPath;
    int m_timeLimit = 10000;
    qint64 m_memoryLimit = 1024LL * 1024 * 1024;
    QString m_errorString;
    Outcome m_outcome = Outcome::Drawn;

    std::unique_ptr<QProcess> m_helper;
    QTimer m_deadline;
    QSize m_pixelSize;
    QByteArray m_pixels;
};
