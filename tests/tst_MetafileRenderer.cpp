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
    void refusesSizesOutOfRange_data();
    void refusesSizesOutOfRange();
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
    // Empty: the left half red, the right half left transparent so that the show's colour shows
    // through; else the picture drawn exactly as this other file. A null image when unreadable.
    QTest::addColumn<QString>("sameAs");
    QTest::addColumn<bool>("readable");
    const QSize size(200, 100);
    QTest::newRow("emf") << "frame.emf" << size << "" << true;
    QTest::newRow("emf stretched") << "frame.emf" << QSize(90, 120) << "" << true;
    QTest::newRow("emf ink box smaller than its frame")
        << "ink-inside-frame.emf" << size << "" << true;
    QTest::newRow("wmf") << "window.wmf" << size << "" << true;
    QTest::newRow("placeable wmf") << "placeable.wmf" << size << "" << true;
    QTest::newRow("placeable wmf stretched") << "placeable.wmf" << QSize(90, 120) << "" << true;
    QTest::newRow("placeable box away from the drawing")
        << "placeable-away.wmf" << size << "" << true;
    QTest::newRow("wmf with bytes after its end") << "garbage-after-end.wmf" << size << "" << true;
    // Each of these fills the whole picture red, limited to the left half by the feature.
    QTest::newRow("clip region") << "clip-region.emf" << size << "" << true;
    QTest::newRow("clip path") << "clip-path.emf" << size << "" << true;
    QTest::newRow("world transform") << "world-transform.emf" << size << "" << true;
    // A stretched blit that fills with the brush (PATCOPY) and has no bitmap.
    QTest::newRow("pattern raster operation") << "pattern-blit.emf" << size << "" << true;
    // Two pixels, the first red, the second skipped by the end of its line: it stays untouched.
    QTest::newRow("rle8 bitmap") << "rle8-bitmap.emf" << size << "" << true;
    // A GDI+ reader draws the EMF+ records and skips the GDI records in between.
    QTest::newRow("emf+ dual file") << "emf-plus-dual.emf" << size << "" << true;
    // 'S' in the Symbol font's own character set is the Greek capital sigma.
    QTest::newRow("symbol font character")
        << "symbol-charset.emf" << size << "symbol-unicode.emf" << true;

    QTest::newRow("empty") << "empty.emf" << size << "" << false;
    QTest::newRow("text") << "text.wmf" << size << "" << false;
    QTest::newRow("truncated emf") << "truncated.emf" << size << "" << false;
    QTest::newRow("truncated wmf") << "truncated.wmf" << size << "" << false;
    // The header and the record sizes are sound; a record inside is not.
    QTest::newRow("emf record shorter than its kind")
        << "record-shorter-than-its-kind.emf" << size << "" << false;
    QTest::newRow("emf bitmap outside its record")
        << "bitmap-outside-record.emf" << size << "" << false;
}

void tst_MetafileRenderer::drawsAtRequestedSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QString, sameAs);
    QFETCH(bool, readable);
    MetafileRenderer renderer;
    renderer.setHelperPath(m_helper);
    const QImage image = renderer.render(sample(name), size);
    if (!readable) {
        QVERIFY(image.isNull());
        QCOMPARE(renderer.outcome(), MetafileRenderer::Outcome::Unreadable);
        QVERIFY(!renderer.errorString().isEmpty());
        return;
    }
    QVERIFY2(!image.isNull(), qPrintable(renderer.errorString()));
    QCOMPARE(renderer.outcome(), MetafileRenderer::Outcome::Drawn);
    QCOMPARE(image.size(), size);
    if (sameAs.isEmpty()) {
        QCOMPARE(image.pixelColor(size.width() / 4, size.height() / 2), QColor(Qt::red));
        QCOMPARE(image.pixelColor(size.width() * 3 / 4, size.height() / 2).alpha(), 0);
        return;
    }
    QImage blank(image.size(), image.format());
    blank.fill(Qt::transparent);
    QVERIFY(image != blank);
    QCOMPARE(image, renderer.render(sample(sameAs), size));
}

void tst_MetafileRenderer::survivesHelperFaults_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<MetafileRenderer::Outcome>("outcome");
    QTest::addColumn<QString>("error");
    QTest::newRow("crash") << QByteArray("kill -SEGV $$") << MetafileRenderer::Outcome::Crashed
                           << "The metafile helper stopped on this file";
    QTest::newRow("hang") << QByteArray("exec sleep 30") << MetafileRenderer::Outcome::TimedOut
                          << "The metafile took too long to draw";
    QTest::newRow("endless output")
        << QByteArray("exec cat /dev/zero") << MetafileRenderer::Outcome::Crashed
        << "The metafile helper wrote too much";
    QTest::newRow("short output") << QByteArray("printf abc") << MetafileRenderer::Outcome::Crashed
                                  << "The metafile helper wrote an incomplete picture";
    QTest::newRow("refusal") << QByteArray("echo noise >&2; echo 'slidewell-metafile: bad' >&2; "
                                           "exit 1")
                             << MetafileRenderer::Outcome::Unreadable << "bad";
}

void tst_MetafileRenderer::survivesHelperFaults()
{
    QFETCH(QByteArray, script);
    QFETCH(MetafileRenderer::Outcome, outcome);
    QFETCH(QString, error);
    MetafileRenderer renderer;
    renderer.setHelperPath(writeHelper(QTest::currentDataTag(), script));
    renderer.setTimeLimit(300);
    QVERIFY(renderer.render(sample(QStringLiteral("frame.emf")), QSize(40, 20)).isNull());
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

void tst_MetafileRenderer::refusesSizesOutOfRange_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("empty") << QSize(0, 0);
    QTest::newRow("no height") << QSize(10, 0);
    QTest::newRow("negative") << QSize(-10, 10);
    QTest::newRow("too wide") << QSize(MetafileRenderer::largestSide + 1, 1);
    QTest::newRow("too many pixels") << QSize(9000, 9000);
}

void tst_MetafileRenderer::refusesSizesOutOfRange()
{
    QFETCH(QSize, size);
    const QString called = m_folder.filePath("called");
    MetafileRenderer renderer;
    renderer.setHelperPath(writeHelper("toucher", "touch " + QFile::encodeName(called)));
    QVERIFY(renderer.render(sample(QStringLiteral("frame.emf")), size).isNull());
    QVERIFY(!renderer.errorString().isEmpty());
    QVERIFY(!QFile::exists(called));
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
