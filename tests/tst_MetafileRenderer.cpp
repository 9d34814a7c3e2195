// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileRenderer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(MetafileRenderer::Outcome)

class tst_MetafileRenderer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void drawsAtRequestedSize_data();
    void drawsAtRequestedSize();
    void survivesHelperFaults_data();
    void survivesHelperFaults();
    void cancelKillsHelper();
    void runsHelperWithLimits();
    void findsHelperNamedInEnvironment();

private:
    QString writeHelper(const QString& name, const QByteArray& script);

    QTemporaryDir m_folder;
    QString m_helper;
};

namespace {

QString sample(const QString& name)
{
    return QStringLiteral(SLIDEWELL_TEST_DATA "/metafiles/") + name;
}

} // namespace

void tst_MetafileRenderer::initTestCase()
{
    QVERIFY(m_folder.isValid());
    // The tests run from their own folder; the helper is built next to the program.
    m_helper = QCoreApplication::applicationDirPath() + "/../slidewell-metafile";
    QVERIFY2(QFile::exists(m_helper), qPrintable(m_helper));
}

QString tst_MetafileRenderer::writeHelper(const QString& name, const QByteArray& script)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.write("#!/bin/sh\n" + script + "\n"))
        return {};
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void tst_MetafileRenderer::drawsAtRequestedSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    // "halves": the left half red, the right half left transparent so that the show's colour
    // shows through; "unreadable": a null image; else drawn exactly as this other file.
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* expected = "halves") {
        QTest::newRow(name) << QString::fromLatin1(name) << QSize(200, 100) << QString(expected);
    };
    row("frame.emf");
    QTest::newRow("frame.emf stretched") << "frame.emf" << QSize(90, 120) << "halves";
    row("ink-inside-frame.emf");
    row("window.wmf");
    row("drawing-extent.wmf");
    row("placeable.wmf");
    QTest::newRow("placeable.wmf stretched") << "placeable.wmf" << QSize(90, 120) << "halves";
    row("placeable-away.wmf");
    row("garbage-after-end.wmf");
    // Each of these paints the whole picture red, limited to the left half by the feature.
    row("clip-region.emf");
    row("clip-path.emf");
    row("world-transform.emf");
    row("pattern-blit.emf"); // a stretched blit that fills with the brush and has no bitmap
    // Two pixels, the first red, the second skipped by the end of its line: left untouched.
    row("rle8-bitmap.emf");
    // A GDI+ reader draws the EMF+ records and skips the GDI records in between.
    row("emf-plus-dual.emf");
    // 'S' in the Symbol font's own character set is the Greek capital sigma.
    row("symbol-charset.emf", "symbol-unicode.emf");

    row("empty.emf", "unreadable");
    row("text.wmf", "unreadable");
    row("truncated.emf", "unreadable");
    row("truncated.wmf", "unreadable");
    // The header and the record sizes are sound; a record inside is not.
    row("record-shorter-than-its-kind.emf", "unreadable");
    row("bitmap-outside-record.emf", "unreadable");
}

void tst_MetafileRenderer::drawsAtRequestedSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QString, expected);
    MetafileRenderer renderer;
    renderer.setHelperPath(m_helper);
    const QImage image = renderer.render(sample(name), size);
    if (expected == "unreadable") {
        QVERIFY(image.isNull());
        QCOMPARE(renderer.outcome(), MetafileRenderer::Outcome::Unreadable);
        QVERIFY(!renderer.errorString().isEmpty());
        return;
    }
    QVERIFY2(!image.isNull(), qPrintable(renderer.errorString()));
    QCOMPARE(renderer.outcome(), MetafileRenderer::Outcome::Drawn);
    QCOMPARE(image.size(), size);
    if (expected == "halves") {
        QCOMPARE(image.pixelColor(size.width() / 4, size.height() / 2), QColor(Qt::red));
        QCOMPARE(image.pixelColor(size.width() * 3 / 4, size.height() / 2).alpha(), 0);
        return;
    }
    QImage blank(image.size(), image.format());
    blank.fill(Qt::transparent);
    QVERIFY(image != blank);
    QCOMPARE(image, renderer.render(sample(expected), size));
}

void tst_MetafileRenderer::survivesHelperFaults_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<MetafileRenderer::Outcome>("outcome");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* tag, const char* script, MetafileRenderer::Outcome outcome,
                         const char* error, QSize size = QSize(40, 20)) {
        QTest::newRow(tag) << QByteArray(script) << size << outcome << QString(error);
    };
    using Outcome = MetafileRenderer::Outcome;
    row("crash", "kill -SEGV $$", Outcome::Crashed, "The metafile helper stopped on this file");
    row("hang", "exec sleep 30", Outcome::TimedOut, "The metafile took too long to draw");
    row("endless output", "exec cat /dev/zero", Outcome::Crashed,
        "The metafile helper wrote too much");
    row("short output", "printf abc", Outcome::Crashed,
        "The metafile helper wrote an incomplete picture");
    row("refusal", "echo noise >&2; echo 'slidewell-metafile: bad' >&2; exit 1",
        Outcome::Unreadable, "bad");
    // Sizes the helper is never asked to draw.
    const char* draws = "printf abc";
    row("empty", draws, Outcome::Unreadable, "The picture size 0 x 0 cannot be drawn", QSize(0, 0));
    row("no height", draws, Outcome::Unreadable, "The picture size 10 x 0 cannot be drawn",
        QSize(10, 0));
    row("negative", draws, Outcome::Unreadable, "The picture size -10 x 10 cannot be drawn",
        QSize(-10, 10));
    row("too wide", draws, Outcome::Unreadable, "The picture size 16385 x 1 cannot be drawn",
        QSize(16385, 1));
    row("too many pixels", draws, Outcome::Unreadable,
        "The picture size 9000 x 9000 cannot be drawn", QSize(9000, 9000));
}

void tst_MetafileRenderer::survivesHelperFaults()
{
    QFETCH(QByteArray, script);
    QFETCH(QSize, size);
    QFETCH(MetafileRenderer::Outcome, outcome);
    QFETCH(QString, error);
    MetafileRenderer renderer;
    renderer.setHelperPath(writeHelper(QTest::currentDataTag(), script));
    renderer.setTimeLimit(300);
    QVERIFY(renderer.render(sample(QStringLiteral("frame.emf")), size).isNull());
    QCOMPARE(renderer.outcome(), outcome);
    QCOMPARE(renderer.errorString(), error);
}

void tst_MetafileRenderer::cancelKillsHelper()
{
    // A drawing given up (the show moved on) leaves no helper behind, however long it would take.
    const QString pidFile = m_folder.filePath(QStringLiteral("pid"));
    MetafileRenderer renderer;
    renderer.setHelperPath(writeHelper(
        QStringLiteral("sleeper"), "echo $$ > " + QFile::encodeName(pidFile) + "; exec sleep 30"));
    QVERIFY(renderer.start(sample(QStringLiteral("frame.emf")), QSize(40, 20)));
    QTRY_VERIFY(QFile(pidFile).size() > 0);
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString stat = "/proc/" + file.readAll().trimmed() + "/stat";
    QVERIFY(QFile::exists(stat));
    renderer.cancel();
    // Killed, then reaped from the event loop.
    QTRY_VERIFY(!QFile::exists(stat));
}

void tst_MetafileRenderer::runsHelperWithLimits()
{
    const QString record = m_folder.filePath("call");
    MetafileRenderer renderer;
    renderer.setHelperPath(writeHelper("recorder",
        "echo \"$1 $2 $3\" > " + QFile::encodeName(record) + "; ulimit -v >> "
            + QFile::encodeName(record) + "; ulimit -c >> " + QFile::encodeName(record)
            + "; exit 1"));
    renderer.setMemoryLimit(300 * 1024 * 1024);
    const QString picture = sample(QStringLiteral("window.wmf"));
    QVERIFY(renderer.render(picture, QSize(64, 32)).isNull());

    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QCOMPARE(lines.value(0), picture + " 64 32");
    // Address space in KiB: bounded, and at least the allowance given; no core dumps.
    bool limited = false;
    const qint64 addressSpace = lines.value(1).toLongLong(&limited);
    QVERIFY2(limited && addressSpace >= 300 * 1024 && addressSpace < 400 * 1024,
        qPrintable(lines.value(1)));
    QCOMPARE(lines.value(2), "0");
}

void tst_MetafileRenderer::findsHelperNamedInEnvironment()
{
    const QString helper = writeHelper("named", "exit 1");
    qputenv("SLIDEWELL_METAFILE_HELPER", QFile::encodeName(helper));
    QCOMPARE(MetafileRenderer::findHelper(), helper);
    qputenv("SLIDEWELL_METAFILE_HELPER", QFile::encodeName(m_folder.filePath("absent")));
    QCOMPARE(MetafileRenderer::findHelper(), QString());
    MetafileRenderer renderer;
    QVERIFY(renderer.render(sample(QStringLiteral("frame.emf")), QSize(40, 20)).isNull());
    QVERIFY(renderer.errorString().contains("slidewell-metafile"));
    qunsetenv("SLIDEWELL_METAFILE_HELPER");
}

QTEST_GUILESS_MAIN(tst_MetafileRenderer)
#include "tst_MetafileRenderer.moc"
