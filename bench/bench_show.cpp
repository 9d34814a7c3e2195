// SPDX-License-Identifier: GPL-2.0-or-later
// Times the load path of one show image as the window runs it: open the file, fit it into a
// 1920 x 1080 client area, decode for that size and paint it into a 1920 x 1080 surface.
// Prints, per file, the median time per image (or the median time to refuse it) and the size
// decoded, then the process's resident memory before the first file and at its peak. Run one
// file per process to get its own peak.
#include "app/FittedPicture.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int screenWidth = 1920;
constexpr int screenHeight = 1080;

double peakResidentMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0) : 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString sizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
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

    // The window's backing store, touched once so that it counts as idle memory.
    QImage surface(screenWidth, screenHeight, QImage::Format_RGB32);
    surface.fill(Qt::black);
    const double idle = residentMiB();
    for (const QString& path : parser.positionalArguments()) {
        QList<double> times;
        QSize shown;
        QSize decoded;
        QString refusal;
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
                decoded = picture.image.size();
            } catch (const RuntimeError& error) {
                refusal = error.description();
            }
            times.append(clock.nsecsElapsed() / 1e6);
        }
        if (refusal.isEmpty())
            std::printf("%s: shown %s decoded %s median %.2f ms over %d runs\n", qPrintable(path),
                qPrintable(sizeText(shown)), qPrintable(sizeText(decoded)), median(times), runs);
        else
            std::printf("%s: refused (%s) median %.2f ms over %d runs\n", qPrintable(path),
                qPrintable(refusal), median(times), runs);
    }
    std::printf("idle RSS %.1f MiB peak RSS %.1f MiB\n", idle, peakResidentMiB());
    return 0;
}
