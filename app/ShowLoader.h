// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/FittedPicture.h"
#include "pictures/MetafileRenderer.h"

#include <QObject>
#include <QString>

#include <optional>

// The show's client area at the moment a picture is asked for.
struct ClientArea
{
    qint32 width = 0; // twips
    qint32 height = 0;
    qreal devicePixelRatio = 1;
    bool operator==(const ClientArea& other) const
    {
        return width == other.width && height == other.height
            && devicePixelRatio == other.devicePixelRatio;
    }
};

// A file as it was when it was read: a picture read ahead is shown only while its file is the same.
struct FileStamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds
    bool operator==(const FileStamp& other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modified == other.modified;
    }
};

// A picture of the show fitted to a client area; a null image when the file cannot be shown.
struct LoadedPicture
{
    QString path;
    ClientArea area;
    FileStamp stamp;
    FittedPicture picture;
    // A GIF, WebP or AVIF file of several frames: they follow while it is on screen.
    bool mayAnimate = false;
};

// Reads and decodes the show's pictures away from the window's thread: raster pictures in the
// thread pool, metafiles through the helper process, watched from the event loop. One load at a
// time; a request made meanwhile waits for it. A generation number drops every result that
// arrives after cancel().
class ShowLoader : public QObject
{
    Q_OBJECT
public:
    // Inline reads on the calling thread and answers before load() returns; tests use it.
    enum class Mode { Inline, Background };
    explicit ShowLoader(Mode mode, QObject* parent = nullptr);

    // Loads path fitted into area. A picture loaded earlier (reuse) is delivered instead when its
    // file is still the same. A request already waiting is replaced.
    void load(const QString& path, const ClientArea& area, std::optional<LoadedPicture> reuse = {});
    // Nothing asked for so far is delivered; a metafile's helper is killed.
    void cancel();

signals:
    void loaded(const LoadedPicture& picture);

private:
    struct Request
    {
        QString path;
        ClientArea area;
        std::optional<LoadedPicture> reuse;
    };
    struct Work
    {
        LoadedPicture picture;
        QSize helperPixels; // not empty: a metafile for the helper to draw at this size
    };

    static Work read(const Request& request, bool drawMetafiles);
    void run(Request request);
    void readDone(quint64 generation, const Work& work);
    void drawn(quint64 generation, const QImage& image);
    void deliver(const LoadedPicture& picture);

    Mode m_mode;
    quint64 m_generation = 0;
    // A read in the pool or a drawing by the helper, of this generation or an older one.
    bool m_busy = false;
    std::optional<Request> m_waiting;
    std::optional<LoadedPicture> m_drawing;
    MetafileRenderer m_renderer;
};
