// SPDX-License-Identifier: GPL-2.0-or-later
// Times the load path of one show image as the window runs it: open the file, fit it into a
// 1920 x 1080 client area, decode at the fitted size and paint it into a 1920 x 1080 surface.
// Prints the median time per image and the process's peak resident memory.
#include "app/FittedPicture.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int screenWidth = 1920;
constexpr int screenHeight = 1080;

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Time per show image at 1920x1080"));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"),
        QStringLiteral("Loads per file (default 10)."), QStringLiteral("N"), QStringLiteral("10"));
    parser.addOption(runsOption);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Picture files."));
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    if (parser.positionalArguments().isEmpty())
        parser.showHelp(1);

    QImage surface(screenWidth, screenHeight, QImage::Format_RGB32);
    for (const QString& path : parser.positionalArguments()) {
        QList<double> times;
        QSize shown;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer clock;
            clock.start();
            try {
                const FittedPicture picture = loadFittedPicture(
                    path, Twips::fromPixels(screenWidth), Twips::fromPixels(screenHeight), 1.0);
                surface.fill(Qt::black);
                QPainter painter(&surface);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(QRect(QPoint(0, 0), picture.size), picture.image);
                shown = picture.size;
            } catch (const RuntimeError& error) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error.description()));
                return 1;
            }
            times.append(clock.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        const double median =
            runs % 2 ? times[runs / 2] : (times[runs / 2 - 1] + times[runs / 2]) / 2;
        std::printf("%s: shown %dx%d, median %.1f ms per image over %d runs\n", qPrintable(path),
            shown.width(), shown.height(), median, runs);
    }
    std::printf("peak RSS %.1f MiB\n", peakResidentKiB() / 1024.0);
    return 0;
}
