#include "TreeTestHelpers.h"
#include "vdrive/TreeText.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QList<TreeLine>)

namespace {

// "level:text" per line keeps the tables readable.
QStringList described(const QList<TreeLine> &lines)
{
    QStringList result;
    for (const TreeLine &line : lines)
        result.append(QString::number(line.level) + u':' + line.text);
    return result;
}

} // namespace

class TestTreeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void serialize_data();
    void serialize();
    void parse_data();
    void parse();
    void blanksAndTabsAtTheEdges_data();
    void blanksAndTabsAtTheEdges();
    void fileErrorsAndReplacement();
    void shortWriteIsReportedAndKeepsTheOldFile_data();
    void shortWriteIsReportedAndKeepsTheOldFile();
};

void TestTreeText::serialize_data()
{
    QTest::addColumn<QList<TreeLine>>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty tree") << QList<TreeLine>() << QByteArray();
    QTest::newRow("two roots, one child") << QList<TreeLine>{{0, u"A"_s}, {1, u"A1"_s}, {0, u"B"_s}}
                                          << QByteArray("A\r\n\tA1\r\nB\r\n");
    QTest::newRow("UTF-8, empty text, depth")
        << QList<TreeLine>{{0, u"Müll"_s}, {1, QString()}, {2, u"€"_s}}
        << QByteArray("M\xC3\xBCll\r\n\t\r\n\t\t\xE2\x82\xAC\r\n");
    QTest::newRow("line ends and DLE in a text")
        << QList<TreeLine>{{0, u"a\nb\r\x10n"_s}} << QByteArray("a\x10nb\x10r\x10\x10n\r\n");
}

// Every such tree also reads back unchanged.
void TestTreeText::serialize()
{
    QFETCH(QList<TreeLine>, lines);
    QFETCH(QByteArray, bytes);
    QCOMPARE(serializeTree(lines), bytes);
    const ParsedTree again = parseTree(bytes);
    QCOMPARE(described(again.lines), described(lines));
    QVERIFY(!again.error);
}

void TestTreeText::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("error");
    const auto jump = [](int level, const QString &text) {
        return u"Ungültige Ebene (%1) für Eintrag \"%2\""_s.arg(level).arg(text);
    };
    QTest::newRow("zero bytes") << QByteArray() << QStringList() << QString();
    QTest::newRow("two spaces, tab and space are level 2")
        << QByteArray("A\r\n\tB\r\n  C\r\n\t D\r\n")
        << QStringList{u"0:A"_s, u"1:B"_s, u"2:C"_s, u"2:D"_s} << QString();
    QTest::newRow("indented first line is top-level")
        << QByteArray("\tA\r\n\tB\r\n") << QStringList{u"0:A"_s, u"1:B"_s} << QString();
    QTest::newRow("indented first line, then two tabs")
        << QByteArray("\tA\r\n\t\tB\r\n") << QStringList{u"0:A"_s} << jump(2, u"B"_s);
    QTest::newRow("blank line is an empty top-level node")
        << QByteArray("A\r\n\tA1\r\n\r\n\tB1\r\n")
        << QStringList{u"0:A"_s, u"1:A1"_s, u"0:"_s, u"1:B1"_s} << QString();
    QTest::newRow("LF only") << QByteArray("A\n\tB\nC\n")
                             << QStringList{u"0:A"_s, u"1:B"_s, u"0:C"_s} << QString();
    QTest::newRow("CR only, no final line end")
        << QByteArray("A\r\tB\rC") << QStringList{u"0:A"_s, u"1:B"_s, u"0:C"_s} << QString();
    QTest::newRow("LF CR is two line ends")
        << QByteArray("A\n\rB") << QStringList{u"0:A"_s, u"0:"_s, u"0:B"_s} << QString();
    QTest::newRow("NUL ends the text") << QByteArray("A\r\n\tB\0\r\n\t\t\tC\r\n", 14)
                                       << QStringList{u"0:A"_s, u"1:B"_s} << QString();
    QTest::newRow("level jump keeps the lines before it")
        << QByteArray("A\r\n\tB\r\nC\r\n\t\tx\r\nD\r\n")
        << QStringList{u"0:A"_s, u"1:B"_s, u"0:C"_s} << jump(2, u"x"_s);
    QTest::newRow("back up several levels")
        << QByteArray("A\r\n\tB\r\n\t\tC\r\n\t\t\tD\r\n\tE  F \r\nG\r\n")
        << QStringList{u"0:A"_s, u"1:B"_s, u"2:C"_s, u"3:D"_s, u"1:E  F "_s, u"0:G"_s} << QString();
    QTest::newRow("not UTF-8 reads as Windows-1252")
        << QByteArray("M\xFCll\r\n\t\x80\r\n") << QStringList{u"0:Müll"_s, u"1:€"_s} << QString();
    QTest::newRow("DLE without r, n or DLE after it is kept")
        << QByteArray("A\x10\r\n\t\x10x\r\n") << QStringList{u"0:A\x10"_s, u"1:\x10x"_s}
        << QString();
}

void TestTreeText::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    const ParsedTree tree = parseTree(bytes);
    QCOMPARE(described(tree.lines), lines);
    QCOMPARE(tree.error.value_or(QString()), error);
}

void TestTreeText::blanksAndTabsAtTheEdges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("leading blank") << u" lead"_s << QByteArray("\x10slead");
    QTest::newRow("trailing blank") << u"trail "_s << QByteArray("trail\x10s");
    QTest::newRow("leading tab") << u"\tTab"_s << QByteArray("\x10tTab");
    QTest::newRow("trailing tab") << u"x\t"_s << QByteArray("x\x10t");
    QTest::newRow("two at each end") << u"  two  "_s << QByteArray("\x10s two \x10s");
    QTest::newRow("blank in the middle") << u"mid dle"_s << QByteArray("mid dle");
    QTest::newRow("older file, DLE s in the middle") << u"a\x10sb"_s << QByteArray("a\x10sb");
}

// The stored form reads as the name, one level below its parent, and the name written again
// reads back unchanged.
void TestTreeText::blanksAndTabsAtTheEdges()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    const QList<TreeLine> lines{{0, u"d: [mydisc]"_s}, {1, name}, {1, u"next"_s}};
    const ParsedTree read = parseTree("d: [mydisc]\r\n\t" + stored + "\r\n\tnext\r\n");
    QCOMPARE(read.error.value_or(QString()), QString());
    QCOMPARE(described(read.lines), described(lines));
    const ParsedTree again = parseTree(serializeTree(lines));
    QCOMPARE(again.error.value_or(QString()), QString());
    QCOMPARE(described(again.lines), described(lines));
}

void TestTreeText::fileErrorsAndReplacement()
{
    QTemporaryDir folder;
    const QString fileName = folder.filePath(u"mydisc.vfs"_s);
    QVERIFY(writeFile(fileName, "an older and much longer tree\r\n\tthat must go\r\n"));
    saveTreeFile(fileName, {{0, u"A"_s}, {1, u"B"_s}});
    QCOMPARE(readTreeFile(fileName), QByteArray("A\r\n\tB\r\n"));
    saveTreeFile(fileName, {});
    QCOMPARE(readTreeFile(fileName), QByteArray());

    const QString missing = folder.filePath(u"missing/mydisc.vfs"_s);
    QCOMPARE(errorOf([&] {
                 saveTreeFile(missing, {{0, u"A"_s}});
             }),
             u"Datei %1 kann nicht erstellt werden"_s.arg(missing));
    QCOMPARE(errorOf([&] {
                 saveTreeFile(folder.path(), {{0, u"A"_s}});
             }),
             u"Datei %1 kann nicht erstellt werden"_s.arg(folder.path()));
    QCOMPARE(errorOf([&] { readTreeFile(missing); }),
             u"Datei %1 kann nicht geöffnet werden"_s.arg(missing));
    QCOMPARE(errorOf([&] { readTreeFile(folder.path()); }),
             u"Datei %1 kann nicht geöffnet werden"_s.arg(folder.path()));
}

void TestTreeText::shortWriteIsReportedAndKeepsTheOldFile_data()
{
    // Writes are buffered: a small tree meets the limit only when the file is completed.
    QTest::addColumn<int>("lineCount");
    QTest::newRow("while writing") << 2000;
    QTest::newRow("when completing") << 400;
}

// A file-size limit makes the kernel store fewer bytes than asked, as a full disk does.
void TestTreeText::shortWriteIsReportedAndKeepsTheOldFile()
{
    QFETCH(int, lineCount);
    QTemporaryDir folder;
    const QString fileName = folder.filePath(u"mydisc.vfs"_s);
    QVERIFY(writeFile(fileName, "OLD\r\n"));
    QList<TreeLine> lines{{0, u"d: [mydisc]"_s}};
    for (int i = 1; i < lineCount; ++i)
        lines.append({1, u"DIRECTORY%1"_s.arg(i)});

    rlimit original{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const auto restore = qScopeGuard([&] {
        ::setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, oldHandler);
    });
    rlimit limited = original;
    limited.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const QString error = errorOf([&] { saveTreeFile(fileName, lines); });
    ::setrlimit(RLIMIT_FSIZE, &original);

    QCOMPARE(error, u"Datei %1 kann nicht erstellt werden"_s.arg(fileName));
    QCOMPARE(fileContent(fileName), QByteArray("OLD\r\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"mydisc.vfs"_s});
}

QTEST_GUILESS_MAIN(TestTreeText)
#include "tst_treetext.moc"
