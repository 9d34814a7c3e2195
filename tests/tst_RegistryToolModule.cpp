// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/RuntimeError.h"
#include "settings/RegistryToolModule.h"
#include "tests/TestSupport.h"
#include "ui_SlidewellForm.h"

#include <csignal>
#include <optional>
#include <sys/resource.h>

using RegistryToolModule::HKEY_LOCAL_MACHINE;
using TestSupport::readFile;
using TestSupport::writeFile;

class tst_RegistryToolModule : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readFindsTheFirstFileWithTheValue_data();
    void readFindsTheFirstFileWithTheValue();
    void textsRoundTripExactly_data();
    void textsRoundTripExactly();
    void readSeesRewriteOfEqualLength();
    void cutShortWriteRaisesAndKeepsFile();

private:
    QString userFile() const { return m_dir->filePath("home/Slidewell/Slidewell.conf"); }

    std::optional<QTemporaryDir> m_dir;
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
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("home")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir->filePath("machine")));
}

void tst_RegistryToolModule::readFindsTheFirstFileWithTheValue_data()
{
    // The user's file, or "<folder>" for a folder in its place; and whether the machine-wide file
    // holds the value.
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<bool>("machine");
    QTest::addColumn<QString>("found");
    const QByteArray key = "[Software\\Slidewell]\n";
    QTest::newRow("no file") << QByteArray() << false << "<kept>";
    QTest::newRow("not a settings file")
        << QByteArray("\x89PNG\r\n\x1a\n\0\0garbage", 16) << false << "<kept>";
    QTest::newRow("machine-wide file only") << QByteArray() << true << "/srv/shared";
    QTest::newRow("user's value") << key + "imageFolder=/home/me" << true << "/home/me";
    // A value stored empty by the user is still the user's choice.
    QTest::newRow("user's empty value") << key + "imageFolder=" << true << "";
    QTest::newRow("other values only") << key + "fileFormat=JPG" << true << "/srv/shared";
    QTest::newRow("unreadable user file") << QByteArray("<folder>") << true << "/srv/shared";
}

// The user's file comes first; the machine-wide one presets what it does not hold; a value found
// nowhere leaves the text as it was.
void tst_RegistryToolModule::readFindsTheFirstFileWithTheValue()
{
    QFETCH(QByteArray, user);
    QFETCH(bool, machine);
    QFETCH(QString, found);
    if (machine) {
        QVERIFY(writeFile(m_dir->filePath("machine/Slidewell/Slidewell.conf"),
            "[Software\\Slidewell]\nimageFolder=/srv/shared\n"));
    }
    if (user == "<folder>")
        QVERIFY(QDir().mkpath(userFile()));
    else if (!user.isNull())
        QVERIFY(writeFile(userFile(), user));
    bool wasFound = false;
    QCOMPARE(read("imageFolder", "<kept>", &wasFound), found);
    QCOMPARE(wasFound, found != QLatin1String("<kept>"));
}

void tst_RegistryToolModule::textsRoundTripExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain number form") << " 9600";
    QTest::newRow("tab and line feed") << "\ta\nb";
    QTest::newRow("ini syntax") << "a=b;c#d [e] \"quoted\" \\back\\slash";
    QTest::newRow("at sign first") << "@ByteArray(x)";
}

// A write stores the text exactly and keeps every other value of the file.
void tst_RegistryToolModule::textsRoundTripExactly()
{
    QFETCH(QString, text);
    QVERIFY(writeFile(userFile(), "[Other]\nkeep=1\n[Software\\Slidewell]\nfileFormat=GIF\n"));
    write("imageFolder", text);
    QCOMPARE(read("imageFolder", "before"), text);
    QCOMPARE(read("fileFormat"), QStringLiteral("GIF"));
    QVERIFY(readFile(userFile()).contains("keep=1"));
}

void tst_RegistryToolModule::readSeesRewriteOfEqualLength()
{
    // Rewrites of the same length from outside follow each other within one tick of the file
    // clock; neither a read nor the next write may work from an older parse.
    for (int round = 0; round < 10; ++round) {
        for (const QByteArray word : { "FULL", "Full", "fULL" }) {
            QVERIFY(writeFile(userFile(), "[Software\\Slidewell]\nscreenSize=" + word + '\n'));
            QCOMPARE(read("screenSize"), QString::fromLatin1(word));
            write("imageFolder", "/x" + QString::number(round));
            QCOMPARE(read("screenSize"), QString::fromLatin1(word));
        }
    }
}

// A file-size limit stands for a full disk and holds for root too: the new file is cut short
// unseen by the settings parser, so only reading it back tells.
void tst_RegistryToolModule::cutShortWriteRaisesAndKeepsFile()
{
    const QByteArray before = "[Software\\Slidewell]\nbackgroundColor=0\nfileFormat=BMP\n";
    QVERIFY(writeFile(userFile(), before));
    rlimit original {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
    const rlimit limited { rlim_t(before.size() + 3), original.rlim_max };
    // The write past the limit fails with an error rather than ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString description;
    try {
        write("backgroundColor", "16777215");
    } catch (const RuntimeError& error) {
        description = error.description();
    }
    setrlimit(RLIMIT_FSIZE, &original);

    const QString prefix = "Could not save the setting \"backgroundColor\" in " + userFile() + ": ";
    QVERIFY2(description.startsWith(prefix) && description.size() > prefix.size(),
        qPrintable(description));
    QCOMPARE(readFile(userFile()), before);
}

QTEST_GUILESS_MAIN(tst_RegistryToolModule)
#include "tst_RegistryToolModule.moc"
