// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/RuntimeError.h"
#include "settings/RegistryToolModule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using RegistryToolModule::HKEY_LOCAL_MACHINE;

class tst_RegistryToolModule : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void invalidKeyPathsAreNotRead_data();
    void invalidKeyPathsAreNotRead();
    void missingKeyOrValueLeavesTextAlone_data();
    void missingKeyOrValueLeavesTextAlone();
    void textsRoundTripExactly_data();
    void textsRoundTripExactly();
    void nonAsciiIsStoredAsUtf8();
    void writeKeepsOtherValues();
    void readSeesRewriteOfEqualLength();
    void userFileWinsOverMachineFile();
    void unreadableUserFileFallsBackToMachineFile();
    void failedWriteRaisesAndKeepsFile_data();
    void failedWriteRaisesAndKeepsFile();

private:
    QString userFile() const { return m_home->path() + "/Slidewell/Slidewell.conf"; }
    QString machineFile() const { return m_machine->path() + "/Slidewell/Slidewell.conf"; }
    static void writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray fileBytes(const QString& path);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_machine;
};

namespace {
const QString keyPath = QStringLiteral("Software\\Slidewell");

QString read(const QString& name, const QString& start = QString(), bool* found = nullptr)
{
    QString text = start;
    const bool result = RegistryToolModule::ReadKeyValue(HKEY_LOCAL_MACHINE, keyPath, name, text);
    if (found)
        *found = result;
    return text;
}

void write(const QString& name, const QString& text)
{
    QVERIFY(RegistryToolModule::SetKeyValue(HKEY_LOCAL_MACHINE, keyPath, name, text));
}
} // namespace

void tst_RegistryToolModule::init()
{
    // A fresh store for every test, found through the same variables the program reads.
    m_home = std::make_unique<QTemporaryDir>();
    m_machine = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid() && m_machine->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_machine->path()));
}

void tst_RegistryToolModule::writeFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray tst_RegistryToolModule::fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_RegistryToolModule::invalidKeyPathsAreNotRead_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("leading backslash") << "\\Software\\Slidewell";
    QTest::newRow("trailing backslash") << "Software\\Slidewell\\";
    QTest::newRow("double backslash") << "Software\\\\Slidewell";
}

void tst_RegistryToolModule::invalidKeyPathsAreNotRead()
{
    QFETCH(QString, path);
    QVERIFY(!RegistryToolModule::IsValidKeyPath(path));
    // The write takes the path as given; only the read refuses it.
    QVERIFY(RegistryToolModule::SetKeyValue(HKEY_LOCAL_MACHINE, path, "imageFolder", "/srv"));
    QString text = QStringLiteral("unchanged");
    QVERIFY(!RegistryToolModule::ReadKeyValue(HKEY_LOCAL_MACHINE, path, "imageFolder", text));
    QCOMPARE(text, QStringLiteral("unchanged"));
}

void tst_RegistryToolModule::missingKeyOrValueLeavesTextAlone_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("start");
    QTest::newRow("no file, empty text") << QByteArray() << "";
    QTest::newRow("no file, text") << QByteArray() << "kept";
    QTest::newRow("other key") << QByteArray("[Other]\nimageFolder=/x\n") << "kept";
    QTest::newRow("other value") << QByteArray("[Software\\Slidewell]\nfileFormat=JPG\n") << "kept";
    QTest::newRow("not a settings file")
        << QByteArray("\x89PNG\r\n\x1a\n\0\0garbage", 16) << "kept";
}

void tst_RegistryToolModule::missingKeyOrValueLeavesTextAlone()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, start);
    if (!file.isNull())
        writeFile(userFile(), file);
    bool found = true;
    QCOMPARE(read("imageFolder", start, &found), start);
    QVERIFY(!found);
}

void tst_RegistryToolModule::textsRoundTripExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("three letters") << "BMP";
    QTest::newRow("empty") << "";
    QTest::newRow("leading and trailing blanks") << "  /home/a b  ";
    QTest::newRow("plain number form") << " 9600";
    QTest::newRow("tab and line feed") << "\ta\nb";
    QTest::newRow("commas") << "/srv/Photos, 2020, best";
    QTest::newRow("ini syntax") << "a=b;c#d [e] \"quoted\" \\back\\slash";
    QTest::newRow("at sign first") << "@ByteArray(x)";
    QTest::newRow("non-ASCII") << QString::fromUtf8("/home/jürgen/Bilder/Größe ① 写真");
}

void tst_RegistryToolModule::textsRoundTripExactly()
{
    QFETCH(QString, text);
    write("imageFolder", text);
    bool found = false;
    QCOMPARE(read("imageFolder", "before", &found), text);
    QVERIFY(found);
}

void tst_RegistryToolModule::nonAsciiIsStoredAsUtf8()
{
    const QString folder = QString::fromUtf8("/home/jürgen/写真");
    write("imageFolder", folder);
    QVERIFY(fileBytes(userFile()).contains(folder.toUtf8()));
}

void tst_RegistryToolModule::writeKeepsOtherValues()
{
    writeFile(userFile(), "[Other]\nkeep=1\n");
    write("imageFolder", "/a");
    write("fileFormat", "GIF");
    write("imageFolder", "/b");
    QCOMPARE(read("imageFolder"), QStringLiteral("/b"));
    QCOMPARE(read("fileFormat"), QStringLiteral("GIF"));
    QVERIFY(fileBytes(userFile()).contains("keep=1"));
}

void tst_RegistryToolModule::readSeesRewriteOfEqualLength()
{
    // Rewrites of the same length from outside follow each other within one tick of the file
    // clock; neither a read nor the next write may work from an older parse.
    const QList<QByteArray> words { "FULL", "Full", "full", "fULL" };
    const auto store = [this](const QByteArray& word) {
        writeFile(userFile(), "[Software\\Slidewell]\nscreenSize=" + word + '\n');
    };
    for (int round = 0; round < 10; ++round) {
        for (const QByteArray& word : words) {
            store(word);
            QCOMPARE(read("screenSize"), QString::fromLatin1(word));
        }
        store(words.first());
        QCOMPARE(read("screenSize"), QString::fromLatin1(words.first()));
        store(words.last());
        write("imageFolder", "/x");
        QCOMPARE(read("screenSize"), QString::fromLatin1(words.last()));

        write("screenSize", "FULL");
        QByteArray bytes = fileBytes(userFile());
        writeFile(userFile(), bytes.replace("FULL", "Full"));
        write("imageFolder", "/y");
        QCOMPARE(read("screenSize"), QStringLiteral("Full"));
    }
}

void tst_RegistryToolModule::userFileWinsOverMachineFile()
{
    writeFile(machineFile(), "[Software\\Slidewell]\nimageFolder=/srv/shared\nfileFormat=JPG\n");
    QCOMPARE(read("imageFolder"), QStringLiteral("/srv/shared"));
    write("imageFolder", "/home/me");
    write("fileFormat", "");
    QCOMPARE(read("imageFolder"), QStringLiteral("/home/me"));
    // A value stored empty by the user is still the user's choice.
    bool found = false;
    QCOMPARE(read("fileFormat", "x", &found), QString());
    QVERIFY(found);
    QVERIFY(fileBytes(machineFile()).contains("imageFolder=/srv/shared"));
}

void tst_RegistryToolModule::unreadableUserFileFallsBackToMachineFile()
{
    writeFile(machineFile(), "[Software\\Slidewell]\nimageDelayInSeconds=7\n");
    QVERIFY(QDir().mkpath(userFile()));
    QCOMPARE(read("imageDelayInSeconds"), QStringLiteral("7"));
}

void tst_RegistryToolModule::failedWriteRaisesAndKeepsFile_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<bool>("obstacleIsFolder");
    QTest::newRow("folder where the file goes") << "Slidewell/Slidewell.conf" << true;
    QTest::newRow("file where the folder goes") << "Slidewell" << false;
}

void tst_RegistryToolModule::failedWriteRaisesAndKeepsFile()
{
    QFETCH(QString, obstacle);
    QFETCH(bool, obstacleIsFolder);
    // Permission bits stop nothing for root; a folder or file standing in the way stops everyone.
    const QString path = m_home->path() + u'/' + obstacle;
    if (obstacleIsFolder)
        QVERIFY(QDir().mkpath(path + "/content"));
    else
        writeFile(path, "not a folder");
    writeFile(machineFile(), "[Software\\Slidewell]\nimageFolder=/srv/shared\n");

    try {
        RegistryToolModule::SetKeyValue(HKEY_LOCAL_MACHINE, keyPath, "imageFolder", "/home/me");
        QFAIL("the write did not raise an error");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.source(), QStringLiteral("QZT.RegTool"));
        QVERIFY2(error.description().contains("\"imageFolder\""), qPrintable(error.description()));
        QVERIFY2(error.description().contains(userFile()), qPrintable(error.description()));
        const QString reason = error.description().section(userFile() + ": ", 1);
        QVERIFY2(!reason.trimmed().isEmpty(), qPrintable(error.description()));
    }
    QCOMPARE(QFileInfo(path).isDir(), obstacleIsFolder);
    if (obstacleIsFolder)
        QVERIFY(QFileInfo::exists(path + "/content"));
    else
        QCOMPARE(fileBytes(path), QByteArray("not a folder"));
    QCOMPARE(read("imageFolder"), QStringLiteral("/srv/shared"));
}

QTEST_GUILESS_MAIN(tst_RegistryToolModule)
#include "tst_RegistryToolModule.moc"
