// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileRenderer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

namespace {

constexpr char helperName[] = "slidewell-metafile";
// Bytes per picture pixel that the helper may use: the picture, the larger canvas that WMF
// pictures are drawn on first, and their copies.
constexpr qint64 memoryPerPixel = 48;

bool isProgram(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

MetafileRenderer::MetafileRenderer()
    : m_helperPath(findHelper())
{ }

QString MetafileRenderer::findHelper()
{
    const QString chosen = qEnvironmentVariable("SLIDEWELL_METAFILE_HELPER");
    if (!chosen.isEmpty())
        return isProgram(chosen) ? chosen : QString();
    const QString beside = QCoreApplication::applicationDirPath() + '/' + helperName;
    if (isProgram(beside))
        return beside;
#ifdef SLIDEWELL_LIBEXEC_DIR
    const QString relocated = QCoreApplication::applicationDirPath()
        + QStringLiteral("/" SLIDEWELL_LIBEXEC_FROM_BIN "/") + helperName;
    if (isProgram(relocated))
        return relocated;
    const QString installed = QStringLiteral(SLIDEWELL_LIBEXEC_DIR "/") + helperName;
    if (isProgram(installed))
        return installed;
#endif
    return {};
}

QImage MetafileRenderer::fail(const QString& text, Outcome outcome)
{
    m_errorString = text;
    m_outcome = outcome;
    return {};
}

QImage MetafileRenderer::render(const QString& path, const QSize& pixelSize)
{
    m_errorString.clear();
    m_outcome = Outcome::Drawn;
    if (m_helperPath.isEmpty())
        return fail(QStringLiteral("The metafile helper %1 is missing").arg(helperName));
    if (pixelSize.width() < 1 || pixelSize.height() < 1 || pixelSize.width() > largestSide
        || pixelSize.height() > largestSide
        || qint64(pixelSize.width()) * pixelSize.height() > largestArea)
        return fail(QStringLiteral("The picture size %1 x %2 cannot be drawn")
                        .arg(pixelSize.width())
                        .arg(pixelSize.height()));

    const qint64 area = qint64(pixelSize.width()) * pixelSize.height();
    const qint64 expected = area * 4;
    const rlim_t memory = rlim_t(m_memoryLimit + area * memoryPerPixel);
    const rlim_t seconds = rlim_t(m_timeLimit / 1000 + 1);
    QProcess helper;
    helper.setProgram(m_helperPath);
    helper.setArguments(
        { path, QString::number(pixelSize.width()), QString::number(pixelSize.height()) });
    helper.setStandardInputFile(QProcess::nullDevice());
    // Runs in the child between fork and exec: only async-signal-safe calls.
    helper.setChildProcessModifier([memory, seconds] {
        const rlimit addressSpace { memory, memory };
        setrlimit(RLIMIT_AS, &addressSpace);
        const rlimit cpu { seconds, seconds };
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit noCore { 0, 0 };
        setrlimit(RLIMIT_CORE, &noCore);
    });
    helper.start();
    if (!helper.waitForStarted(m_timeLimit))
        return fail(
            QStringLiteral("The metafile helper cannot start: %1").arg(helper.errorString()));

    // The pixels are read as they come, so that a helper that writes more than the picture
    // is stopped instead of filling memory.
    QByteArray pixels;
    pixels.reserve(expected);
    const QDeadlineTimer deadline(m_timeLimit);
    while (helper.state() == QProcess::Running && !deadline.hasExpired()) {
        helper.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        pixels += helper.readAllStandardOutput();
        if (pixels.size() > expected)
            break;
    }
    if (helper.state() == QProcess::Running) {
        helper.kill();
        helper.waitForFinished();
        if (pixels.size() > expected)
            return fail(QStringLiteral("The metafile helper wrote too much"), Outcome::Crashed);
        return fail(QStringLiteral("The metafile took too long to draw"), Outcome::TimedOut);
    }
    pixels += helper.readAllStandardOutput();
    if (helper.exitStatus() != QProcess::NormalExit)
        return fail(QStringLiteral("The metafile helper stopped on this file"), Outcome::Crashed);
    if (helper.exitCode() != 0) {
        // The helper's reason is its last line; the lines before are the libraries' chatter.
        const QString output = QString::fromLocal8Bit(helper.readAllStandardError()).trimmed();
        const QString reason =
            output.section('\n', -1).remove(QStringLiteral("slidewell-metafile: "));
        return fail(reason.isEmpty() ? QStringLiteral("The metafile cannot be drawn") : reason);
    }
    if (pixels.size() != expected)
        return fail(
            QStringLiteral("The metafile helper wrote an incomplete picture"), Outcome::Crashed);

    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return fail(QStringLiteral("Not enough memory for the picture"));
    const qsizetype lineBytes = qsizetype(pixelSize.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        memcpy(image.scanLine(y), pixels.constData() + y * lineBytes, size_t(lineBytes));
    return image;
}
