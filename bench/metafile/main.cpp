// SPDX-License-Identifier: GPL-2.0-or-later
// slidewell-metafile-bench [--check] CORPUS [OUTPUT]: draws every file of CORPUS/emf and
// CORPUS/wmf as the show would (natural size from the header, fitted into 800 x 600) and compares
// each with CORPUS/reference/<kind>/<name>.png. Prints one line per file and the figures per kind;
// with OUTPUT, writes each picture there as PNG, on white, for looking at.
//
// With --check it is the corpus test: it fails when a file crashes the helper or runs out of
// time, or when fewer files than before are shown or close, and it reports a skip (exit code 77)
// when the corpus is absent.
//
// "Close" is a crude measure: both pictures trimmed to their ink and shrunk to 64 x 64, ink
// masks overlapping by at least half (intersection over union), mean RGB difference at most 40,
// proportions within 25%. A blank picture where the reference has ink is not close.
#include "pictures/MetafileHeader.h"
#include "pictures/MetafileRenderer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr QSize showArea(800, 600);
constexpr int compareSide = 64;

bool isInk(QRgb pixel) { return qRed(pixel) < 240 || qGreen(pixel) < 240 || qBlue(pixel) < 240; }

QImage onWhite(const QImage& picture)
{
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

QRect inkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(line[x]))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

bool isClose(const QImage& picture, const QImage& reference)
{
    const QImage ours = onWhite(picture);
    const QImage theirs = reference.convertToFormat(QImage::Format_RGB32);
    const QRect ourBox = inkBox(ours);
    const QRect theirBox = inkBox(theirs);
    if (theirBox.isEmpty() || ourBox.isEmpty())
        return theirBox.isEmpty() && ourBox.isEmpty();
    const double ourAspect = double(ourBox.width()) / ourBox.height();
    const double theirAspect = double(theirBox.width()) / theirBox.height();
    if (std::max(ourAspect, theirAspect) / std::min(ourAspect, theirAspect) > 1.25)
        return false;
    const QSize side(compareSide, compareSide);
    const QImage a =
        ours.copy(ourBox).scaled(side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b =
        theirs.copy(theirBox).scaled(side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int both = 0;
    int either = 0;
    double difference = 0;
    for (int y = 0; y < compareSide; ++y) {
        for (int x = 0; x < compareSide; ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            both += isInk(p) && isInk(q);
            either += isInk(p) || isInk(q);
            difference += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q));
        }
    }
    const double overlap = either ? double(both) / either : 1.0;
    const double meanDifference = difference / (3.0 * compareSide * compareSide);
    return overlap >= 0.5 && meanDifference <= 40;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1) + 0.5)];
}

constexpr int skipped = 77;

struct Figures
{
    int files = 0;
    int shown = 0;
    int failed = 0;
    int crashed = 0;
    int timedOut = 0;
    int close = 0;
    std::vector<double> milliseconds;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    const bool check = arguments.removeAll(QStringLiteral("--check")) > 0;
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: slidewell-metafile-bench [--check] CORPUS [OUTPUT]\n");
        return EXIT_FAILURE;
    }
    const QDir corpus(arguments.at(0));
    if (!corpus.exists(QStringLiteral("emf")) || !corpus.exists(QStringLiteral("wmf"))) {
        std::printf("skipped: the metafile corpus is not there: %s\n", qPrintable(corpus.path()));
        return skipped;
    }
    const QString output = arguments.value(1);
    if (!output.isEmpty())
        QDir().mkpath(output);

    // Each kind's least share of files shown and close to the reference, as measured when the
    // check was set up, with a little room.
    const QHash<QString, std::pair<double, double>> leastShares {
        { QStringLiteral("emf"), { 0.95, 0.7 } },
        { QStringLiteral("wmf"), { 0.9, 0.7 } },
    };
    bool passed = true;

    MetafileRenderer renderer;
    for (const QString& kind : { QStringLiteral("emf"), QStringLiteral("wmf") }) {
        Figures figures;
        const QDir folder(corpus.filePath(kind));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            ++figures.files;
            const QString path = folder.filePath(name);
            QElapsedTimer timer;
            timer.start();
            QFile file(path);
            MetafileHeader header;
            QImage picture;
            QString error;
            if (!file.open(QIODevice::ReadOnly) || !header.read(file.readAll())) {
                error = header.errorString();
            } else {
                const QSize size = header.naturalSize().scaled(showArea, Qt::KeepAspectRatio);
                picture = renderer.render(path, size.expandedTo(QSize(1, 1)));
                error = renderer.errorString();
                figures.crashed += renderer.outcome() == MetafileRenderer::Outcome::Crashed;
                figures.timedOut += renderer.outcome() == MetafileRenderer::Outcome::TimedOut;
            }
            figures.milliseconds.push_back(double(timer.nsecsElapsed()) / 1e6);
            const QString base = QFileInfo(name).completeBaseName();
            bool close = false;
            if (picture.isNull()) {
                ++figures.failed;
            } else {
                ++figures.shown;
                const QImage reference(
                    corpus.filePath(QStringLiteral("reference/%1/%2.png").arg(kind, base)));
                close = !reference.isNull() && isClose(picture, reference);
                figures.close += close;
                if (!output.isEmpty())
                    onWhite(picture).save(QDir(output).filePath(base + '.' + kind + ".png"));
            }
            std::printf("%s\t%s\t%.0f ms\t%s\n", qPrintable(name),
                picture.isNull() ? "failed" : (close ? "close" : "shown"),
                figures.milliseconds.back(), qPrintable(error));
        }
        std::printf("%s: %d files, %d shown, %d failed, %d crashed, %d timed out, %d close; "
                    "median %.0f ms, 90th percentile %.0f ms per file\n",
            qPrintable(kind.toUpper()), figures.files, figures.shown, figures.failed,
            figures.crashed, figures.timedOut, figures.close, percentile(figures.milliseconds, 0.5),
            percentile(figures.milliseconds, 0.9));
        std::fflush(stdout);
        const auto [leastShown, leastClose] = leastShares.value(kind);
        passed = passed && figures.crashed == 0 && figures.timedOut == 0
            && figures.shown >= leastShown * figures.files
            && figures.close >= leastClose * figures.files;
    }
    if (check && !passed) {
        std::printf("FAILED: a file crashed or timed out, or fewer files were shown or close\n");
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
