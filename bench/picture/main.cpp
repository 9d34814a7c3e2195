// SPDX-License-Identifier: GPL-2.0-or-later
// slidewell-picture-bench [--check] [--background RRGGBB] CORPUS [OUTPUT]: loads every file that
// CORPUS/MANIFEST.tsv lists through the show's own path (PictureFile, fitted into 800 x 600),
// paints it on the background colour (default 00FF00) as the show does, and compares it with the
// file's reference pictures. Prints `file<TAB>right|wrong|refused|noref<TAB>detail` per file, then
// the totals per folder and per expected class. With OUTPUT, each painted picture is written as
// OUTPUT/<file with "/" replaced by "__">.png at its fitted size (an animation's first frame, as
// the show draws it; none for a refused file).
//
// Each file is loaded in a child process under a watchdog, so a crash or a hang is one line of
// the report ("wrong", with "crashed" or "timed out") and the run goes on; the child's peak
// memory is measured too.
//
// How "right" is judged against a reference (several references are alternatives, any will do):
// - size and orientation: the reference fitted into 800 x 600 has the same size as the picture,
//   give or take one pixel each way;
// - colours and transparency: the reference is painted on the same background at the same size
//   in the same way, so its transparent parts show the background as ours must; the two agree
//   when their mean difference is at most 12 (of 255, over the three channels) and at most 2% of
//   the pixels differ by more than 48 in a channel, which absorbs rounding in scaling. The
//   references of JPEG files are the suites' uncompressed sources, and chroma subsampling blurs
//   every colour edge of them: for a JPEG only the mean difference counts.
// A file without reference is "noref" when shown, "refused" when not.
//
// With --check it is the corpus test. It fails on any crash, hang or child above 1 GiB, when a
// valid file with a reference is right less than 92% of the time (12-bit, lossless and DNL JPEGs,
// which no decoder at hand reads, are left out when refused), when a valid file without reference
// is refused, or when a questionable file is shown wrong (refusing it is fine). It reports a skip
// (exit code 77) when the corpus is absent.
#include "app/ImageFit.h"
#include "pictures/PictureLoader.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr QSize showArea(800, 600);
constexpr int secondsPerFile = 20;
constexpr long memoryLimitKiB = 1024L * 1024;
constexpr double goal = 0.92;
constexpr int skipped = 77;

struct Entry
{
    QString file;
    QString expected;
    QStringList references;
};

struct Outcome
{
    QString status;
    QString detail;
    bool crashed = false;
    long peakKiB = 0;
};

QList<Entry> readManifest(const QString& path)
{
    QList<Entry> entries;
    QFile manifest(path);
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return entries;
    QTextStream in(&manifest);
    in.readLine();
    while (!in.atEnd()) {
        const QStringList columns = in.readLine().split(QLatin1Char('\t'));
        if (columns.size() < 5)
            continue;
        entries.append({ columns.at(0), columns.at(3),
            columns.at(4).split(QLatin1Char(';'), Qt::SkipEmptyParts) });
    }
    return entries;
}

QSize fitted(const QSize& natural)
{
    const ImageFit fit =
        fitImage(showArea.width(), showArea.height(), natural.width(), natural.height());
    return QSize(qMax(1, fit.width), qMax(1, fit.height));
}

// As the show's image control paints it: stretched with bilinear filtering over the background.
QImage painted(const QImage& picture, const QSize& size, QColor background)
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(background);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(canvas.rect(), picture);
    return canvas;
}

// Mean channel difference and share of pixels off by more than 48 in a channel.
std::pair<double, double> difference(const QImage& a, const QImage& b)
{
    double total = 0;
    qint64 off = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int r = std::abs(qRed(p[x]) - qRed(q[x]));
            const int g = std::abs(qGreen(p[x]) - qGreen(q[x]));
            const int bl = std::abs(qBlue(p[x]) - qBlue(q[x]));
            total += r + g + bl;
            off += qMax(r, qMax(g, bl)) > 48;
        }
    }
    const double pixels = double(a.width()) * a.height();
    return { total / (3 * pixels), double(off) / pixels };
}

Outcome judge(const QImage& ours, const QDir& corpus, const Entry& entry, QColor background)
{
    Outcome best { QStringLiteral("wrong"), QString() };
    const bool isJpeg = entry.file.endsWith(QLatin1String(".jpg"));
    double bestMean = 1e9;
    for (const QString& name : entry.references) {
        const QImage reference(corpus.filePath(name));
        if (reference.isNull())
            return { QStringLiteral("wrong"), QStringLiteral("reference unreadable: ") + name };
        const QSize expected = fitted(reference.size());
        if (std::abs(expected.width() - ours.width()) > 1
            || std::abs(expected.height() - ours.height()) > 1) {
            if (bestMean > 1e8)
                best.detail = QStringLiteral("%1x%2, reference %3x%4")
                                  .arg(ours.width())
                                  .arg(ours.height())
                                  .arg(expected.width())
                                  .arg(expected.height());
            continue;
        }
        const auto [mean, off] = difference(ours, painted(reference, ours.size(), background));
        if (mean < bestMean) {
            bestMean = mean;
            const bool right = mean <= 12 && (off <= 0.02 || isJpeg);
            best = { right ? QStringLiteral("right") : QStringLiteral("wrong"),
                QStringLiteral("%1x%2, mean difference %3, %4% off")
                    .arg(ours.width())
                    .arg(ours.height())
                    .arg(mean, 0, 'f', 1)
                    .arg(off * 100, 0, 'f', 1) };
        }
    }
    return best;
}

// The child's work: load, paint, write, compare. Returns "status\tdetail".
QByteArray measure(const QDir& corpus, const Entry& entry, QColor background, const QString& output)
{
    PictureFile file;
    if (!file.open(corpus.filePath(entry.file)))
        return "refused\t" + file.errorString().toUtf8();
    const QSize size = fitted(file.naturalSize());
    const QImage image = file.decodeForDisplay(size);
    if (image.isNull())
        return "refused\t" + file.errorString().toUtf8();
    const QImage ours = painted(image, size, background);
    if (!output.isEmpty())
        ours.save(QDir(output).filePath(QString(entry.file).replace('/', "__") + ".png"));
    if (entry.references.isEmpty())
        return QStringLiteral("noref\t%1x%2").arg(size.width()).arg(size.height()).toUtf8();
    const Outcome outcome = judge(ours, corpus, entry, background);
    return (outcome.status + '\t' + outcome.detail).toUtf8();
}

// Runs measure() in a child process, which may crash or hang without ending the run.
Outcome isolated(const QDir& corpus, const Entry& entry, QColor background, const QString& output)
{
    int channel[2];
    if (pipe(channel) != 0)
        return { QStringLiteral("wrong"), QStringLiteral("no pipe"), true };
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const QByteArray result = measure(corpus, entry, background, output);
        const bool written =
            write(channel[1], result.constData(), size_t(result.size())) == ssize_t(result.size());
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    QByteArray result;
    bool timedOut = false;
    pollfd wait { channel[0], POLLIN, 0 };
    for (;;) {
        if (poll(&wait, 1, secondsPerFile * 1000) <= 0) {
            timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t count = read(channel[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        result.append(buffer, count);
    }
    close(channel[0]);
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    Outcome outcome;
    outcome.peakKiB = usage.ru_maxrss;
    if (timedOut) {
        outcome = { QStringLiteral("wrong"), QStringLiteral("timed out"), true, usage.ru_maxrss };
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        outcome = { QStringLiteral("wrong"),
            QStringLiteral("crashed (signal %1)").arg(WIFSIGNALED(status) ? WTERMSIG(status) : 0),
            true, usage.ru_maxrss };
    } else {
        const int tab = result.indexOf('\t');
        outcome.status = QString::fromUtf8(result.left(tab));
        outcome.detail = QString::fromUtf8(result.mid(tab + 1)).simplified();
    }
    return outcome;
}

// The formats that no decoder at hand reads: a valid file of these may stay refused.
bool mayBeRefused(const QString& file)
{
    return file.contains(QLatin1String("x12_")) || file.contains(QLatin1String("monkey12"))
        || file.contains(QLatin1String("lossless")) || file.contains(QLatin1String("_dnl"));
}

struct Totals
{
    QMap<QString, int> byStatus;

    QString line() const
    {
        return QStringLiteral("%1 right, %2 wrong, %3 refused, %4 noref")
            .arg(byStatus.value(QStringLiteral("right")))
            .arg(byStatus.value(QStringLiteral("wrong")))
            .arg(byStatus.value(QStringLiteral("refused")))
            .arg(byStatus.value(QStringLiteral("noref")));
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    const bool check = arguments.removeAll(QStringLiteral("--check")) > 0;
    QColor background(0x00, 0xff, 0x00);
    const qsizetype backgroundAt = arguments.indexOf(QStringLiteral("--background"));
    if (backgroundAt >= 0) {
        background = QColor(QLatin1Char('#') + arguments.value(backgroundAt + 1));
        arguments.remove(backgroundAt, qMin<qsizetype>(2, arguments.size() - backgroundAt));
    }
    if (arguments.isEmpty() || !background.isValid()) {
        std::fprintf(stderr,
            "usage: slidewell-picture-bench [--check] [--background RRGGBB] CORPUS [OUTPUT]\n");
        return EXIT_FAILURE;
    }
    const QDir corpus(arguments.at(0));
    const QList<Entry> entries = readManifest(corpus.filePath(QStringLiteral("MANIFEST.tsv")));
    if (entries.isEmpty()) {
        std::printf("skipped: the picture corpus is not there: %s\n", qPrintable(corpus.path()));
        return skipped;
    }
    const QString output = arguments.value(1);
    if (!output.isEmpty())
        QDir().mkpath(output);

    QMap<QString, Totals> byFolder;
    QMap<QString, Totals> byClass;
    int crashes = 0;
    long peakKiB = 0;
    QString peakFile;
    int judged = 0;
    int right = 0;
    QStringList faults;
    for (const Entry& entry : entries) {
        const Outcome outcome = isolated(corpus, entry, background, output);
        std::printf("%s\t%s\t%s\n", qPrintable(entry.file), qPrintable(outcome.status),
            qPrintable(outcome.detail));
        ++byFolder[entry.file.section(QLatin1Char('/'), 0, 0)].byStatus[outcome.status];
        ++byClass[entry.expected].byStatus[outcome.status];
        crashes += outcome.crashed;
        if (outcome.peakKiB > peakKiB) {
            peakKiB = outcome.peakKiB;
            peakFile = entry.file;
        }
        const bool refused = outcome.status == QLatin1String("refused");
        if (entry.expected == QLatin1String("valid") && !(refused && mayBeRefused(entry.file))) {
            if (!entry.references.isEmpty()) {
                ++judged;
                right += outcome.status == QLatin1String("right");
            } else if (refused) {
                faults << entry.file + QStringLiteral(": valid, refused");
            }
        }
        if (entry.expected == QLatin1String("questionable") && outcome.status == "wrong")
            faults << entry.file + QStringLiteral(": questionable, shown wrong");
    }
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it)
        std::printf("folder %s: %s\n", qPrintable(it.key()), qPrintable(it.value().line()));
    for (auto it = byClass.cbegin(); it != byClass.cend(); ++it)
        std::printf("class %s: %s\n", qPrintable(it.key()), qPrintable(it.value().line()));
    const double share = judged ? double(right) / judged : 1.0;
    std::printf("valid files with a reference: %d of %d right (%.1f%%); %d crashed or timed out; "
                "peak memory %ld MiB (%s)\n",
        right, judged, share * 100, crashes, peakKiB / 1024, qPrintable(peakFile));
    for (const QString& fault : faults)
        std::printf("fault: %s\n", qPrintable(fault));
    if (check && (crashes > 0 || peakKiB > memoryLimitKiB || share < goal || !faults.isEmpty())) {
        std::printf("FAILED: below the goal of %.0f%%, a crash, a hang, a memory spike or a fault "
                    "above\n",
            goal * 100);
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
