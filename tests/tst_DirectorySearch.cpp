// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/DirectorySearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

class tst_DirectorySearch : public QObject
{
    Q_OBJECT
private slots:
    void matchesWindowsWildcards_data();
    void matchesWindowsWildcards();
    void listsRegularFilesByNameWithoutCase();
    void restartSeesChanges();
    void unreadableFolderIsAnError_data();
    void unreadableFolderIsAnError();
};

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList allNames(DirectorySearch& search, const QString& pathPattern)
{
    QStringList names;
    for (QString name = search.first(pathPattern).name; !name.isEmpty(); name = search.next())
        names.append(name);
    return names;
}

} // namespace

void tst_DirectorySearch::matchesWindowsWildcards_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("case ignored") << "*.BMP"
                                  << "photo.bmp" << true;
    QTest::newRow("other extension") << "*.BMP"
                                     << "photo.gif" << false;
    QTest::newRow("extension as prefix") << "*.BMP"
                                         << "photo.bmpx" << false;
    QTest::newRow("JP* jpeg") << "*.JP*"
                              << "a.jpeg" << true;
    QTest::newRow("JP* jpe") << "*.JP*"
                             << "a.JPE" << true;
    QTest::newRow("JP* anything after") << "*.JP*"
                                        << "a.jpg.txt" << true;
    QTest::newRow("JP* no dot") << "*.JP*"
                                << "jpg" << false;
    QTest::newRow("star dot: no extension") << "*."
                                            << "README" << true;
    QTest::newRow("star dot: extension") << "*."
                                         << "a.bmp" << false;
    QTest::newRow("several dots") << "*.GIF"
                                  << "a.b.c.gif" << true;
    QTest::newRow("star backtracks") << "*a*b"
                                     << "xaxxaxb" << true;
    QTest::newRow("star backtracks, no end") << "*a*b"
                                             << "xaxxaxbc" << false;
    QTest::newRow("question mark") << "?.ICO"
                                   << "a.ico" << true;
    QTest::newRow("question mark one only") << "?.ICO"
                                            << "ab.ico" << false;
    QTest::newRow("non-ASCII case") << "*.JPG"
                                    << "Äpfel.jpg" << true;
    QTest::newRow("several: any one") << "*.BMP;*.JP*;*.tif"
                                      << "a.TIF" << true;
    QTest::newRow("several: none") << "*.BMP;*.JP*;*.tif"
                                   << "a.tiff" << false;
}

void tst_DirectorySearch::matchesWindowsWildcards()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QTEST(DirectorySearch::matches(pattern, name), "matches");
}

void tst_DirectorySearch::listsRegularFilesByNameWithoutCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : { "b.jpg", "A.JPG", "c.jpeg", ".hidden.jpg", "notes.txt" })
        touch(dir.filePath(QString::fromLatin1(name)));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    QVERIFY(
        QFile::link(dir.filePath(QStringLiteral("b.jpg")), dir.filePath(QStringLiteral("d.jpg"))));
    QVERIFY(
        QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("e.jpg"))));
    // A FIFO would block whoever opens it.
    QCOMPARE(
        mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.jpg"))).constData(), 0600), 0);
    const int unixSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(unixSocket >= 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.filePath(QStringLiteral("socket.jpg")));
    QVERIFY(socketPath.size() < qsizetype(sizeof address.sun_path));
    qstrcpy(address.sun_path, socketPath.constData());
    QCOMPARE(bind(unixSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(unixSocket);

    DirectorySearch search;
    QCOMPARE(allNames(search, dir.path() + QStringLiteral("/*.JP*")),
        QStringList({ "A.JPG", "b.jpg", "c.jpeg", "d.jpg" }));
    QCOMPARE(search.next(), QString());
    QCOMPARE(allNames(search, dir.path() + QStringLiteral("/*.TXT;*.JP*")),
        QStringList({ "A.JPG", "b.jpg", "c.jpeg", "d.jpg", "notes.txt" }));
    QCOMPARE(allNames(search, dir.path() + QStringLiteral("/*.")), QStringList());
    QCOMPARE(allNames(search, dir.path() + QStringLiteral("/*.TXT")), QStringList({ "notes.txt" }));

    // Subfolders after the folder's own files, folder by folder; hidden ones and links skipped.
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub/deeper")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral(".hidden")));
    for (const char* name : { "sub/x.jpg", "sub/deeper/y.jpg", ".hidden/z.jpg" })
        touch(dir.filePath(QString::fromLatin1(name)));
    QVERIFY(QFile::link(dir.path(), dir.filePath(QStringLiteral("sub/loop"))));
    search.setSubfolders(true);
    QCOMPARE(allNames(search, dir.path() + QStringLiteral("/*.JP*")),
        QStringList({ "A.JPG", "b.jpg", "c.jpeg", "d.jpg", "sub/x.jpg", "sub/deeper/y.jpg" }));
}

void tst_DirectorySearch::restartSeesChanges()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("1.gif")));
    touch(dir.filePath(QStringLiteral("2.gif")));
    const QString pattern = dir.path() + QStringLiteral("/*.GIF");
    DirectorySearch search;
    QCOMPARE(search.first(pattern).name, QStringLiteral("1.gif"));
    touch(dir.filePath(QStringLiteral("3.gif")));
    // The listing was taken at the start.
    QCOMPARE(search.next(), QStringLiteral("2.gif"));
    QCOMPARE(search.next(), QString());
    QCOMPARE(allNames(search, pattern), QStringList({ "1.gif", "2.gif", "3.gif" }));

    // Shuffled: each round all the files once, in a new order, which the files found join.
    for (int i = 4; i <= 12; ++i)
        touch(dir.filePath(QString::number(i) + QStringLiteral(".gif")));
    search.setShuffled(true);
    const QStringList first = allNames(search, pattern);
    QStringList sorted = first;
    sorted.sort();
    QCOMPARE(sorted, QDir(dir.path()).entryList({ QStringLiteral("*.gif") }));
    touch(dir.filePath(QStringLiteral("13.gif")));
    QStringList second = allNames(search, pattern);
    QVERIFY(second.first() != first.last());
    QCOMPARE(second.size(), 13);
    QVERIFY(second.removeOne(QStringLiteral("13.gif")));
    QVERIFY(second != first);
}

void tst_DirectorySearch::unreadableFolderIsAnError_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing: nothing found") << "missing"
                                            << "";
    QTest::newRow("a file, not a folder") << "file"
                                          << "Not a directory";
}

void tst_DirectorySearch::unreadableFolderIsAnError()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("file")));
    DirectorySearch search;
    const DirectorySearch::Result result = search.first(dir.filePath(folder + "/*.BMP"));
    QCOMPARE(result.name, QString());
    QTEST(result.error, "error");
    QCOMPARE(search.next(), QString());
}

QTEST_GUILESS_MAIN(tst_DirectorySearch)
#include "tst_DirectorySearch.moc"
