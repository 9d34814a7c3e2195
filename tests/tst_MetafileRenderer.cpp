// SPDX-License-Identifier: GPL-2.0-or-later
#include "pictures/MetafileRenderer.h"
#include "tests/MetafileSamples.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace MetafileSamples;

Q_DECLARE_METATYPE(MetafileRenderer::Outcome)

class tst_MetafileRenderer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void drawsAtRequestedSize_data();
    void drawsAtRequestedSize();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
    void survivesHelperFaults_data();
    void survivesHelperFaults();
    void runsHelperWithLimits();
    void refusesSizesOutOfRange_data();
    void refusesSizesOutOfRange();
    void findsHelperNamedInEnvironment();

private:
    QString write(const QString& name, const QByteArray& data);
    QString writeHelper(const QString& name, const QByteArray& script);

    QTemporaryDir m_folder;
    QString m_helper;
};

void tst_MetafileRenderer::initTestCase()
{
    QVERIFY(m_folder.isValid());
    // The tests run from their own folder; the helper is built next to the program.
    m_helper = QCoreApplication::applicationDirPath() + "/../slidewell-metafile";
    QVERIFY2(QFile::exists(m_helper), qPrintable(m_helper));
}

QString tst_MetafileRenderer::write(const QString& name, const QByteArray& data)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    return path;
}

QString tst_MetafileRenderer::writeHelper(const QString& name, const QByteArray& script)
{
    const QString path = write(name, "#!/bin/sh\n" + script + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void tst_MetafileRenderer::drawsAtRequestedSize_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::newRow("emf") << emf() << QSize(200, 100);
    QTest::newRow("emf stretched") << emf() << QSize(90, 120);
    QTest::newRow("emf ink box smaller than its frame")
        << emfHeader(QRect(QPoint(0, 0), QPoint(1000, 500)), QRect(QPoint(0, 0), QPoint(50, 50)))
            + emfDrawing() + emfEnd()
        << QSize(200, 100);
    QTest::newRow("wmf") << wmf() << QSize(200, 100);
    QTest::newRow("placeable box away from the drawing")
        << placeableHeader(QRect(QPoint(1000, 1000), QPoint(1100, 1050))) + wmf()
        << QSize(200, 100);
    QTest::newRow("placeable wmf") << placeableWmf() << QSize(200, 100);
    QTest::newRow("placeable wmf stretched") << placeableWmf() << QSize(90, 120);
    QTest::newRow("wmf with bytes after its end")
        << wmf() + QByteArray(40, '\xFF') << QSize(200, 100);
}

void tst_MetafileRenderer::drawsAtRequestedSize()
{
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    MetafileRenderer renderer;
    renderer.setHelperPath(m_helper);
    const QImage image = renderer.render(write(QTest::currentDataTag(), data), size);
    QVERIFY2(!image.isNull(), qPrintable(renderer.errorString()));
    QCOMPARE(renderer.outcome(), MetafileRenderer::Outcome::Drawn);
    QCOMPARE(image.size(), size);
    // The left half is red; the right half, where nothing is drawn, stays transparent so that
    // the show's colour shows through.
    const QPoint left(size.width() / 4, size.height() / 2);
    const QPoint right(size.width() * 3 / 4, size.height() / 2);
    QCOMPARE(image.pixelColor(left), QColor(Qt::red));
    QCOMPARE(image.pixelColor(right).alpha(), 0);
}

void tst_MetafileRenderer::refusesUnreadableFiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("neither an EMF nor a WMF file, only words");
    QTest::newRow("truncated emf") << emf().chopped(6);
    QTest::newRow("truncated wmf") << placeableWmf().chopped(4);
    QTest::newRow("emf record shorter than its kind")
        << emfHeader() + emfRecord(43, { 0 }) + emfEnd();
    QTest::newRow("emf picture outside its record") << emfHeader()
            + emfRecord(81, { 0, 0, 10, 10, 0, 0, 0, 0, 10, 10, 0x7FFFFFF0, 40 }) + emfEnd();
}

void tst_MetafileRenderer::refusesUnreadableFiles()
{
    QFETCH(QByteArray, data);
    MetafileRenderer renderer;
    renderer.setHelperPath(m_helper);
    const QImage image = renderer.render(write(QTest::currentDataTag(), data), QSize(40, 20));
    QVERIFY(image.isNull());
    QCOMPARE(renderer.outcome(), MetafileRenderer::Outcome::Unreadable);
    QVERIFY(!renderer.errorString().isEmpty());
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
    QVERIFY(renderer.render(write("picture.emf", emf()), QSize(40, 20)).isNull());
    QCOMPARE(renderer.outcome(), outcome);
    QCOMPARE(renderer.errorString(), error);
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
    const QString picture = write("picture.wmf", wmf());
    QVERIFY(renderer.render(picture, QSize(64, 32)).isNull());

    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QCOMPARE(lines.value(0), picture + " 64 32");
    // Address space in KiB: the allowance plus 48 bytes for each of the 64 x 32 pixels.
    QCOMPARE(lines.value(1), QString::number(300 * 1024 + 64 * 32 * 48 / 1024));
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
    QVERIFY(renderer.render(write("picture.emf", emf()), size).isNull());
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
    QVERIFY(renderer.render(write("picture.emf", emf()), QSize(40, 20)).isNull());
    QVERIFY(renderer.errorString().contains("slidewell-metafile"));
    qunsetenv("SLIDEWELL_METAFILE_HELPER");
}

QTEST_GUILESS_MAIN(tst_MetafileRenderer)
#include "tst_MetafileRenderer.moc"
