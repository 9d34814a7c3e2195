// SPDX-License-Identifier: GPL-2.0-or-later
// A real show as the user sees it: the program's window, full screen, showing a folder. Measures
// from the show's own signals, for every tick after the first picture, the time from the tick to
// the end of the window update (paint and flush to the display) that puts its picture on the
// screen; the longest time the event loop went without running (how late a 5 ms timer fired); after
// the last tick, how long "Stop" took to answer and to finish when asked while the next picture
// loads; and the peak resident memory. Run it on a display of the size to measure, with a window
// manager.
#include "app/SlidewellForm.h"
#include "ui_SlidewellForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Nearest rank: the smallest value that at least this share of the values does not exceed.
double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype rank = qsizetype(std::ceil(share * values.size()));
    return values[qBound(qsizetype(0), rank - 1, values.size() - 1)];
}

// Takes the time once an update of the window has been painted and flushed, when a picture
// was waiting for it.
class UpdateProbe : public QObject
{
public:
    std::function<void()> updated;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::UpdateRequest)
            return false;
        watched->event(event);
        updated();
        return true;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slidewell"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times a full-screen show of a folder"));
    parser.addHelpOption();
    const QCommandLineOption formatOption(QStringLiteral("format"),
        QStringLiteral("File format (default JPG)."), QStringLiteral("F"), QStringLiteral("JPG"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
        QStringLiteral("Seconds per picture (default 2)."), QStringLiteral("S"),
        QStringLiteral("2"));
    const QCommandLineOption ticksOption(QStringLiteral("ticks"),
        QStringLiteral("Ticks to time before Stop (default 20)."), QStringLiteral("N"),
        QStringLiteral("20"));
    const QCommandLineOption stopOption(QStringLiteral("stop-after"),
        QStringLiteral("Stop this many ms after the last tick (default 200)."),
        QStringLiteral("MS"), QStringLiteral("200"));
    parser.addOptions({ formatOption, delayOption, ticksOption, stopOption });
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The show's folder."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(1);
    const int ticks = qMax(1, parser.value(ticksOption).toInt());
    const int stopAfter = parser.value(stopOption).toInt();

    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return clock.nsecsElapsed() / 1e6; };
    double stopAsked = 0;
    double stopAnswered = 0;
    FormServices services = FormServices::standard();
    services.messageBox = [](QWidget*, const QString& text, const QString&, int) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        QApplication::exit(2);
    };
    services.trackPopupMenu = [&](QWidget*, const QList<PopupMenuItem>&, const QPoint&) {
        stopAnswered = now();
        return 1;
    };
    SlidewellForm form(QStringList { QStringLiteral("slidewell") }, services);
    Ui::SlidewellForm* ui = form.controls();
    ui->folderTextBox->setText(parser.positionalArguments().constFirst());
    ui->imageFileFormatComboBox->setCurrentText(parser.value(formatOption));
    ui->imageDelayComboBox->setCurrentText(parser.value(delayOption));
    ui->fullScreenOptionButton->setChecked(true);
    form.show();
    form.CenterOnScreen();

    QList<double> tickToPicture;
    int tickCount = 0;
    int failed = 0;
    double tickAt = -1;
    bool pictureWaits = false;
    double longestWait = 0;
    double lastProbe = -1;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double at = now();
        if (lastProbe >= 0)
            longestWait = qMax(longestWait, at - lastProbe - probe.interval());
        lastProbe = at;
    });

    SlideShow& show = form.slideShow();
    QObject::connect(&show, &SlideShow::imageDue, [&] {
        tickAt = now();
        // The event loop is watched from the first tick on, after the show's start.
        if (++tickCount == 2)
            probe.start();
        if (tickCount <= ticks + 1)
            return;
        QTimer::singleShot(stopAfter, &form, [&] {
            stopAsked = tickAt + stopAfter;
            form.Form_MouseDown(2);
            const double done = now();
            probe.stop();
            rusage usage {};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("ticks %d shown %lld failed %d tick-to-picture p50 %.1f p95 %.1f max %.1f "
                        "ms; event loop longest wait %.1f ms; Stop answered %.1f done %.1f ms; "
                        "peak RSS %.1f MiB\n",
                ticks, qint64(tickToPicture.size()), failed, percentile(tickToPicture, 0.5),
                percentile(tickToPicture, 0.95), percentile(tickToPicture, 1.0), longestWait,
                stopAnswered - stopAsked, done - stopAsked, usage.ru_maxrss / 1024.0);
            QApplication::quit();
        });
    });
    // The first picture comes with the show's start, not with a tick.
    QObject::connect(&show, &SlideShow::imageReady,
        [&] { pictureWaits = tickCount > 1 && tickCount <= ticks + 1; });
    QObject::connect(&show, &SlideShow::imageFailed, [&] { ++failed; });
    UpdateProbe update;
    update.updated = [&] {
        if (!pictureWaits)
            return;
        pictureWaits = false;
        tickToPicture.append(now() - tickAt);
        std::printf("tick %d: %.1f ms\n", tickCount, tickToPicture.last());
    };
    form.installEventFilter(&update);

    QTimer::singleShot(500, &form, [&] { form.playButton_Click(); });
    return QApplication::exec();
}
