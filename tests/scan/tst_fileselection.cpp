#include "scan/FileSelection.h"

#include "base/UpperAscii.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestFileSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extensionOfPath_data();
    void extensionOfPath();
    void testsCompareWholeUpperCasedExtensions();
    void lineLimit_data();
    void lineLimit();
};

void TestFileSelection::extensionOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << u"d:\\SETUP.exe"_s << u".exe"_s;
    QTest::newRow("last dot wins") << u"d:\\SETUP.EXE.BAK"_s << u".BAK"_s;
    QTest::newRow("dot in directory only") << u"d:\\X.EXE\\README"_s << QString();
    QTest::newRow("no dot") << u"d:\\README"_s << QString();
    QTest::newRow("trailing dot") << u"d:\\A."_s << u"."_s;
    QTest::newRow("after drive colon") << u"d:.profile"_s << u".profile"_s;
    QTest::newRow("dot before colon") << u"a.b:c"_s << QString();
}

void TestFileSelection::extensionOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(extensionOf(path).toString(), extension);
}

void TestFileSelection::testsCompareWholeUpperCasedExtensions()
{
    SelectionOptions options;
    options.enabled.fill(true);
    options.upperFilter1 = upperAscii(u".exe");
    options.upperFilter2 = upperAscii(u"DPR");

    QVERIFY(selectionTestHolds(SelectionTest::Exe, u".exe", options));
    QVERIFY(selectionTestHolds(SelectionTest::Exe, u".eXe", options));
    QVERIFY(selectionTestHolds(SelectionTest::Filter1, u".EXE", options));
    QVERIFY(!selectionTestHolds(SelectionTest::Filter2, u".DPR", options));
    QVERIFY(!selectionTestHolds(SelectionTest::Com, u".EXE", options));
    QVERIFY(!selectionTestHolds(SelectionTest::Exe, u".EXEC", options));

    options.upperFilter2 = QString();
    QVERIFY(selectionTestHolds(SelectionTest::Filter2, u"", options));
    QVERIFY(!selectionTestHolds(SelectionTest::Filter2, u".", options));
    options.enabled[static_cast<size_t>(SelectionTest::Exe)] = false;
    QVERIFY(!selectionTestHolds(SelectionTest::Exe, u".EXE", options));

    // Only a to z change case: ".ä" never matches ".Ä".
    QCOMPARE(upperAscii(u"setup.exe äß"), u"SETUP.EXE äß"_s);
    options.upperFilter1 = upperAscii(u".Ä");
    QVERIFY(!selectionTestHolds(SelectionTest::Filter1, u".ä", options));
    QVERIFY(selectionTestHolds(SelectionTest::Filter1, u".Ä", options));
    QVERIFY(!selectionTestHolds(SelectionTest::Bat, u".BATı", options));
    QVERIFY(!selectionTestHolds(SelectionTest::Exe, u".ıXE", options));
}

void TestFileSelection::lineLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("default") << u"40"_s << 40 << true;
    QTest::newRow("negative") << u"-1"_s << -1 << true;
    QTest::newRow("plus sign") << u"+7"_s << 7 << true;
    QTest::newRow("zero") << u"0"_s << 0 << true;
    QTest::newRow("leading blanks") << u"   12"_s << 12 << true;
    QTest::newRow("hex") << u"$1F"_s << 31 << true;
    QTest::newRow("hex lower") << u"$ff"_s << 255 << true;
    QTest::newRow("max") << u"2147483647"_s << 2147483647 << true;
    QTest::newRow("min") << u"-2147483648"_s << int(-2147483648LL) << true;
    QTest::newRow("too big") << u"2147483648"_s << 0 << false;
    QTest::newRow("too small") << u"-2147483649"_s << 0 << false;
    QTest::newRow("hex too big") << u"$80000000"_s << 0 << false;
    QTest::newRow("letters") << u"abc"_s << 0 << false;
    QTest::newRow("trailing blank") << u"40 "_s << 0 << false;
    QTest::newRow("empty") << QString() << 0 << false;
    QTest::newRow("only sign") << u"-"_s << 0 << false;
    QTest::newRow("only dollar") << u"$"_s << 0 << false;
    QTest::newRow("signed hex") << u"-$10"_s << 0 << false;
    QTest::newRow("arabic digits") << u"\u0664\u0660"_s << 0 << false;
    QTest::newRow("many zeros") << u"000000000000000000042"_s << 42 << true;
}

void TestFileSelection::lineLimit()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    const std::optional<qint32> parsed = parseLineLimit(text);
    QCOMPARE(parsed.has_value(), accepted);
    if (accepted)
        QCOMPARE(*parsed, value);
}

QTEST_GUILESS_MAIN(TestFileSelection)
#include "tst_fileselection.moc"
