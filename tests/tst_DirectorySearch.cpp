// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/DirectorySearch.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class tst_DirectorySearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void matchesWindowsWildcards_data();
    void matchesWindowsWildcards();
    void listsOrdinaryFilesByName_data();
    void listsOrdinaryFilesByName();
    void shuffleNeverRepeatsTheLastNameFirst();
    void restartSeesChanges();

private:
    QTemporaryDir m_dir;
};

namespace {

void touch(const QString& path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
}

QStringList allNames(DirectorySearch& search, const QString& pathPattern)
{
    QStringList names;
    for (QString name = search.first(pathPattern).name; !name.isEmpty(); name = search.next())
        names.append(name);
    return names;
}

} // namespace

// A folder of every kind of entry, and subfolders down to one far deeper than any collection.
void tst_DirectorySearch::initTestCase()
{
    const QStringList files { "b.jpg", "B.JPG", "a.jpg", "c.jpeg", ".hidden.jpg", "notes.txt",
        "1.gif", "2.gif", "sub/x.jpg", "sub/deeper/y.jpg", ".hidden/z.jpg",
        QStringLiteral("d/").repeated(40) + "deep.jpg" };
    for (const QString& name : files)
        touch(m_dir.filePath(name));
    QVERIFY(QDir(m_dir.path()).mkdir("folder.jpg"));
    QVERIFY(QFile::link(m_dir.filePath("b.jpg"), m_dir.filePath("link.jpg")));
    QVERIFY(QFile::link(m_dir.filePath("gone"), m_dir.filePath("gone.jpg")));
    QVERIFY(QFile::link(m_dir.path(), m_dir.filePath("sub/loop")));
    QCOMPARE(mkfifo(QFile::encodeName(m_dir.filePath("fifo.jpg")).constData(), 0600), 0);
}

void tst_DirectorySearch::matchesWindowsWildcards_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("name");
    QTest::newRow("case ignored") << "*.BMP" << true << "photo.bmp";
    QTest::newRow("non-ASCII case") << "ÄPFEL.JPG" << true << "äpfel.jpg";
    QTest::newRow("other extension") << "*.BMP" << false << "photo.gif";
    QTest::newRow("star after dot") << "*.JP*" << true << "a.jpg.txt";
    QTest::newRow("star dot: no extension") << "*." << true << "README";
    QTest::newRow("star dot: extension") << "*." << false << "a.bmp";
    QTest::newRow("star backtracks") << "*a*b" << true << "xaxxaxb";
    QTest::newRow("star backtracks, no end") << "*a*b" << false << "xaxxaxbc";
    QTest::newRow("question mark") << "?.ICO" << true << "a.ico";
    QTest::newRow("question mark one only") << "?.ICO" << false << "ab.ico";
    QTest::newRow("several: any one") << "*.BMP;*.JP*;*.tif" << true << "a.TIF";
    QTest::newRow("several: none") << "*.BMP;*.JP*;*.tif" << false << "a.tiff";
}

void tst_DirectorySearch::matchesWindowsWildcards()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QTEST(DirectorySearch::matches(pattern, name), "matches");
}

void tst_DirectorySearch::listsOrdinaryFilesByName_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("error");
    const QStringList pictures { "a.jpg", "B.JPG", "b.jpg", "c.jpeg", "link.jpg" };
    QTest::newRow("without regard to case, then by case")
        << "*.JP*" << false << false << pictures << QString();
    QTest::newRow("several patterns")
        << "*.TXT;*.JP*" << false << false << pictures + QStringList { "notes.txt" } << QString();
    QTest::newRow("subfolders after the folder's own files")
        << "*.JP*" << true << false << pictures + QStringList { "sub/x.jpg", "sub/deeper/y.jpg" }
        << QString();
    QTest::newRow("reversed, subfolders and all")
        << "*.JP*" << true << true
        << QStringList { "sub/deeper/y.jpg", "sub/x.jpg", "link.jpg", "c.jpeg", "b.jpg", "B.JPG",
               "a.jpg" }
        << QString();
    QTest::newRow("missing folder: nothing")
        << "missing/*.JP*" << false << false << QStringList() << QString();
    QTest::newRow("not a folder: the reason")
        << "notes.txt/*.JP*" << false << false << QStringList() << "Not a directory";
}

// Hidden files and folders, FIFOs, folders and broken links are left out, and so are
// links to folders and what lies beyond the depth limit.
void tst_DirectorySearch::listsOrdinaryFilesByName()
{
    QFETCH(QString, pattern);
    QFETCH(bool, subfolders);
    QFETCH(bool, reversed);
    DirectorySearch search;
    search.setSubfolders(subfolders);
    search.setReversed(reversed);
    const DirectorySearch::Result first = search.first(m_dir.filePath(pattern));
    QTEST(first.error, "error");
    QStringList names;
    for (QString name = first.name; !name.isEmpty(); name = search.next())
        names.append(name);
    QTEST(names, "names");
}

void tst_DirectorySearch::shuffleNeverRepeatsTheLastNameFirst()
{
    DirectorySearch search;
    search.setShuffled(true);
    QStringList orders;
    QString last;
    // With four names, a repeat would come every fourth round.
    for (int round = 0; round < 40; ++round) {
        QStringList names = allNames(search, m_dir.filePath("*.GIF;*.TXT;*.JPEG"));
        QVERIFY(names.first() != last);
        last = names.last();
        orders.append(names.join(u' '));
        names.sort();
        QCOMPARE(names, QStringList({ "1.gif", "2.gif", "c.jpeg", "notes.txt" }));
    }
    orders.removeDuplicates();
    QVERIFY(orders.size() > 1);
}

void tst_DirectorySearch::restartSeesChanges()
{
    DirectorySearch search;
    const QString pattern = m_dir.filePath("*.GIF");
    QCOMPARE(search.first(pattern).name, QStringLiteral("1.gif"));
    touch(m_dir.filePath("3.gif"));
    // The listing was taken at the start.
    QCOMPARE(search.next(), QStringLiteral("2.gif"));
    QCOMPARE(search.next(), QString());
    QCOMPARE(allNames(search, pattern), QStringList({ "1.gif", "2.gif", "3.gif" }));
}

QTEST_GUILESS_MAIN(tst_DirectorySearch)
#include "tst_DirectorySearch.moc"
