// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileRenderer.h"

#include <QCoreApplication>
#include <QEventLoop>
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
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
        [this] { fail(QStringLiteral("The metafile took too long to draw"), Outcome::TimedOut); });
}

MetafileRenderer::~MetafileRenderer() { releaseHelper(); }

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

QImage MetafileRenderer::render(const QString& path, const QSize& pixelSize)
{
    QImage image;
    bool done = false;
    QEventLoop loop;
    // Connected before the start: a helper that cannot start may say so at once.
    const QMetaObject::Connection connection =
        connect(this, &MetafileRenderer::finished, &loop, [&](const QImage& drawn) {
            image = drawn;
            done = true;
            loop.quit();
        });
    if (start(path, pixelSize) && !done)
        loop.exec();
    disconnect(connection);
    // Nothing is left running behind a call that waits.
    if (m_helper)
        m_helper->waitForFinished();
    m_helper.reset();
    return image;
}

bool MetafileRenderer::refuse(const QString& text, Outcome outcome)
{
    m_errorString = text;
    m_outcome = outcome;
    return false;
}

bool MetafileRenderer::start(const QString& path, const QSize& pixelSize)
{
    releaseHelper();
    m_errorString.clear();
    m_outcome = Outcome::Drawn;
    if (m_helperPath.isEmpty())
        return refuse(QStringLiteral("The metafile helper %1 is missing").arg(helperName));
    if (pixelSize.width() < 1 || pixelSize.height() < 1 || pixelSize.width() > largestSide
        || pixelSize.height() > largestSide
        || qint64(pixelSize.width()) * pixelSize.height() > largestArea)
        return refuse(QStringLiteral("The picture size %1 x %2 cannot be drawn")
                          .arg(pixelSize.width())
                          .arg(pixelSize.height()));

    const qint64 area = qint64(pixelSize.width()) * pixelSize.height();
    const rlim_t memory = rlim_t(m_memoryLimit + area * memoryPerPixel);
    const rlim_t seconds = rlim_t(m_timeLimit / 1000 + 1);
    m_pixelSize = pixelSize;
    m_pixels.clear();
    m_pixels.reserve(area * 4);
    m_helper = std::make_unique<QProcess>();
    m_helper->setProgram(m_helperPath);
    m_helper->setArguments(
        { path, QString::number(pixelSize.width()), QString::number(pixelSize.height()) });
    m_helper->setStandardInputFile(QProcess::nullDevice());
    // Runs in the child between fork and exec: only async-signal-safe calls.
    m_helper->setChildProcessModifier([memory, seconds] {
        const rlimit addressSpace { memory, memory };
        setrlimit(RLIMIT_AS, &addressSpace);
        const rlimit cpu { seconds, seconds };
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit noCore { 0, 0 };
        setrlimit(RLIMIT_CORE, &noCore);
    });
    // The pixels are read as they come, so that a helper that writes more than the picture is
    // stopped instead of filling memory.
    connect(
        m_helper.get(), &QProcess::readyReadStandardOutput, this, &MetafileRenderer::readPixels);
    connect(m_helper.get(), &QProcess::finished, this, &MetafileRenderer::helperFinished);
    connect(m_helper.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("The metafile helper cannot start: %1")
                     .arg(m_helper->errorString()));
    });
    m_deadline.start(m_timeLimit);
    m_helper->start();
    return true;
}

void MetafileRenderer::cancel() { releaseHelper(); }

void MetafileRenderer::readPixels()
{
    m_pixels += m_helper->readAllStandardOutput();
    if (m_pixels.size() > qint64(m_pixelSize.width()) * m_pixelSize.height() * 4)
        fail(QStringLiteral("The metafile helper wrote too much"), Outcome::Crashed);
}

void MetafileRenderer::helperFinished()
{
    m_pixels += m_helper->readAllStandardOutput();
    if (m_helper->exitStatus() != QProcess::NormalExit)
        return fail(QStringLiteral("The metafile helper stopped on this file"), Outcome::Crashed);
    if (m_helper->exitCode() != 0) {
        // The helper's reason is its last line; the lines before are the libraries' chatter.
        const QString output = QString::fromLocal8Bit(m_helper->readAllStandardError()).trimmed();
        const QString reason =
            output.section('\n', -1).remove(QStringLiteral("slidewell-metafile: "));
        return fail(reason.isEmpty() ? QStringLiteral("The metafile cannot be drawn") : reason);
    }
    const qsizetype lineBytes = qsizetype(m_pixelSize.width()) * 4;
    if (m_pixels.size() != lineBytes * m_pixelSize.height())
        return fail(
            QStringLiteral("The metafile helper wrote an incomplete picture"), Outcome::Crashed);

    QImage image(m_pixelSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return fail(QStringLiteral("Not enough memory for the picture"));
    for (int y = 0; y < image.height(); ++y)
        memcpy(image.scanLine(y), m_pixels.constData() + y * lineBytes, size_t(lineBytes));
    finish(image);
}

void MetafileRenderer::fail(const QString& text, Outcome outcome)
{
    m_errorString = text;
    m_outcome = outcome;
    finish(QImage());
}

void MetafileRenderer::finish(const QImage& image)
{
    m_deadline.stop();
    m_pixels = QByteArray();
    if (m_helper) {
        m_helper->disconnect(this);
        if (m_helper->state() != QProcess::NotRunning)
            m_helper->kill();
    }
    Q_EMIT finished(image);
}

void MetafileRenderer::releaseHelper()
{
    m_deadline.stop();
    if (!m_helper)
        return;
    m_helper->disconnect(this);
    if (m_helper->state() == QProcess::NotRunning) {
        m_helper.reset();
        return;
    }
    // Reaped once it has died, without waiting here: a helper stuck on a dead network folder
    // may take a while to go.
    m_helper->kill();
    QProcess* helper = m_helper.release();
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
}
