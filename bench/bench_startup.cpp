// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up time of the program: starts exactly as app/main.cpp does and, once the main window
// has been painted and flushed to the display, prints the time since the moment given by
// --since (CLOCK_REALTIME nanoseconds taken just before this process was started) and quits.
#include "app/SlidewellForm.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

qint64 realtimeNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Reports once, after the event loop has finished the paint and the flush that follows it.
class FirstPaintProbe : public QObject
{
public:
    explicit FirstPaintProbe(qint64 since)
        : m_since(since)
    { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] {
                std::printf(
                    "first paint %.1f ms after start\n", (realtimeNanoseconds() - m_since) / 1e6);
                QApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_since;
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    // Read before Qt sees the arguments, so the window gets the same command line as the program.
    qint64 since = realtimeNanoseconds();
    if (argc >= 3 && std::strcmp(argv[1], "--since") == 0) {
        since = std::strtoll(argv[2], nullptr, 10);
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slidewell"));
    SlidewellForm form(QApplication::arguments());
    FirstPaintProbe probe(since);
    form.installEventFilter(&probe);
    form.show();
    form.CenterOnScreen();
    return QApplication::exec();
}
