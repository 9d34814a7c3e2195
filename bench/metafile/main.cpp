// SPDX-License-Identifier: GPL-2.0-or-later
// slidewell-metafile-bench [--check] CORPUS [OUTPUT]: draws every file of CORPUS/emf,
// CORPUS/wmf and CORPUS/damaged as the show would (natural size from the header, fitted into
// 800 x 600) and compares each with CORPUS/reference/<kind>/<name>.png. Prints one line per file,
// the figures per group (the file name's prefix before "__") and per kind; with OUTPUT, writes
// each picture there as PNG, on white, for looking at. Damaged files have no reference: they
// must be refused or drawn, never crash the helper or run out of time.
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
#include <map>
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

// Whether picture is close to reference; why not, when it is not.
bool isClose(const QImage& picture, const QImage& reference, QString& why)
{
    const QImage ours = onWhite(picture);
    const QImage theirs = reference.convertToFormat(QImage::Format_RGB32);
    const QRect ourBox = inkBox(ours);
    const QRect theirBox = inkBox(theirs);
    if (theirBox.isEmpty() || ourBox.isEmpty()) {
        why = QStringLiteral("blank");
        return theirBox.isEmpty() && ourBox.isEmpty();
    }
    const double ourAspect = double(ourBox.width()) / ourBox.height();
    const double theirAspect = double(theirBox.width()) / theirBox.height();
    const double aspects = std::max(ourAspect, theirAspect) / std::min(ourAspect, theirAspect);
    if (aspects > 1.25) {
        why = QStringLiteral("proportions differ by %1").arg(aspects, 0, 'f', 2);
        return false;
    }
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
    why = QStringLiteral("overlap %1, difference %2")
              .arg(overlap, 0, 'f', 2)
              .arg(meanDifference, 0, 'f', 0);
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

// Files whose reference rendering is wrong, with the reason; they are listed and left out of the
// shares rather than lowering the bar for the others.
const QHash<QString, QString>& wrongReferences()
{
    static const QHash<QString, QString> files {
        { QStringLiteral("poi-ooxml__47813.xlsx_thumbnail.wmf"),
            QStringLiteral("the reference is a black box where the spreadsheet's cells are") },
        { QStringLiteral("poi-ooxml__54524.xlsx_thumbnail.wmf"),
            QStringLiteral("the reference is a black box where the spreadsheet's cells are") },
        { QStringLiteral("poi-ooxml__60289.xlsx_thumbnail.wmf"),
            QStringLiteral("the reference is a black box where the spreadsheet's cells are") },
        { QStringLiteral("poi-ooxml__hello-world-signed.xlsx_thumbnail.wmf"),
            QStringLiteral("the reference is a black box where the spreadsheet's cells are") },
        { QStringLiteral("lo__libreoffice_B_DNA.wmf"),
            QStringLiteral("the reference squashes the picture: its atoms are ellipses, not "
                           "circles, against the placeable header's proportions") },
        { QStringLiteral("lo__libreoffice_47243_wmf1.wmf"),
            QStringLiteral("the reference stretches the picture to 1.4 times its height: bonds "
                           "at 30 degrees in the file's units come out at 38") },
        { QStringLiteral("lo__LibreOffice_TextureBrush.emf"),
            QStringLiteral("the reference is blank: it does not fill with EMF+ texture brushes") },
        { QStringLiteral("lo__LibreOffice_DrawLineWithTexture.emf"),
            QStringLiteral("the reference draws the EMF+ textured line in black") },
        { QStringLiteral("lo__LibreOffice_TileImage.emf"),
            QStringLiteral("the reference draws only the frame, not the EMF+ texture fill") },
        { QStringLiteral("wmfviewer__image78.wmf"),
            QStringLiteral("the reference leaves out the vector harpoons over AP, AB and AC "
                           "(MT Extra code 0x76)") },
        { QStringLiteral("l2s__test-164.emf"),
            QStringLiteral("the reference draws Wingdings codes as letters and digits") },
    };
    return files;
}

struct Figures
{
    void print(const QString& title) const;

    int files = 0;
    int shown = 0;
    int failed = 0;
    int crashed = 0;
    int timedOut = 0;
    int close = 0;
    int wrongReference = 0;
    std::vector<double> milliseconds;
};

void Figures::print(const QString& title) const
{
    std::printf("%s: %d files, %d shown, %d failed, %d crashed, %d timed out, %d close of %d "
                "with a sound reference; median %.0f ms, worst %.0f ms per file\n",
        qPrintable(title), files, shown, failed, crashed, timedOut, close, files - wrongReference,
        percentile(milliseconds, 0.5), percentile(milliseconds, 1.0));
}

QString groupOf(const QString& name) { return name.section(QStringLiteral("__"), 0, 0); }

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

    // Each kind's least share of files shown, and of those with a sound reference close to it,
    // as the player reaches them, with a little room.
    const QHash<QString, std::pair<double, double>> leastShares {
        { QStringLiteral("emf"), { 0.99, 0.90 } },
        { QStringLiteral("wmf"), { 0.98, 0.90 } },
    };
    bool passed = true;

    MetafileRenderer renderer;
    for (const QString& kind :
        { QStringLiteral("emf"), QStringLiteral("wmf"), QStringLiteral("damaged") }) {
        Figures figures;
        std::map<QString, Figures> groups;
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
            bool crashed = false;
            bool timedOut = false;
            if (!file.open(QIODevice::ReadOnly) || !header.read(file.readAll())) {
                error = header.errorString();
            } else {
                const QSize size = header.naturalSize().scaled(showArea, Qt::KeepAspectRatio);
                picture = renderer.render(path, size.expandedTo(QSize(1, 1)));
                error = renderer.errorString();
                crashed = renderer.outcome() == MetafileRenderer::Outcome::Crashed;
                timedOut = renderer.outcome() == MetafileRenderer::Outcome::TimedOut;
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
                QString why;
                close = !reference.isNull() && isClose(picture, reference, why);
                if (!close)
                    error = why;
                if (!output.isEmpty())
                    onWhite(picture).save(QDir(output).filePath(base + '.' + kind + ".png"));
            }
            const QString wrong = wrongReferences().value(name);
            if (!wrong.isEmpty()) {
                close = false;
                error = QStringLiteral("wrong reference: ") + wrong;
            }
            std::printf("%s\t%s\t%.0f ms\t%s\n", qPrintable(name),
                picture.isNull() ? "failed" : (close ? "close" : "shown"),
                figures.milliseconds.back(), qPrintable(error));
            figures.close += close;
            Figures& group = groups[groupOf(name)];
            ++group.files;
            group.shown += !picture.isNull();
            group.failed += picture.isNull();
            group.close += close;
            group.wrongReference += !wrong.isEmpty();
            figures.wrongReference += !wrong.isEmpty();
            group.crashed += crashed;
            group.timedOut += timedOut;
            figures.crashed += crashed;
            figures.timedOut += timedOut;
            group.milliseconds.push_back(figures.milliseconds.back());
        }
        for (const auto& [name, group] : groups)
            group.print(kind + '/' + name);
        figures.print(kind.toUpper());
        std::fflush(stdout);
        passed = passed && figures.crashed == 0 && figures.timedOut == 0;
        if (!leastShares.contains(kind))
            continue;
        const auto [leastShown, leastClose] = leastShares.value(kind);
        passed = passed && figures.shown >= leastShown * figures.files
            && figures.close >= leastClose * (figures.files - figures.wrongReference);
    }
    if (check && !passed) {
        std::printf("FAILED: a file crashed or timed out, or fewer files were shown or close\n");
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
