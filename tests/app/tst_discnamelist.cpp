#include "app/HandlerGuard.h"
#include "base/AppError.h"
#include "catalogue/DiscNameList.h"
#include "support/RecordingDialogService.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDiscNameList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesLineBreaks_data();
    void parsesLineBreaks();
    void writesCrLfAfterEveryName();
    void roundTripsThroughTheFile();
    void reportsFilesThatCannotBeWrittenOrRead();
    void fullStopRule_data();
    void fullStopRule();
    void guardTurnsErrorsIntoReports();
};

void TestDiscNameList::parsesLineBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("crlf") << QByteArray("Alle CD's\r\nGAMES\r\n")
                          << QStringList{u"Alle CD's"_s, u"GAMES"_s};
    QTest::newRow("lf only") << QByteArray("Alle CD's\nGAMES\n")
                             << QStringList{u"Alle CD's"_s, u"GAMES"_s};
    QTest::newRow("lone cr") << QByteArray("A\rB\r") << QStringList{u"A"_s, u"B"_s};
    QTest::newRow("mixed and unterminated")
        << QByteArray("A\r\nB\nC\rD") << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s};
    QTest::newRow("blank line is an empty name")
        << QByteArray("A\r\n\r\nB\r\n") << QStringList{u"A"_s, QString(), u"B"_s};
    QTest::newRow("blanks stay") << QByteArray("  SPACE CD \r\n") << QStringList{u"  SPACE CD "_s};
    QTest::newRow("nul ends the text")
        << QByteArray("A\r\nB\0C\r\nD\r\n", 11) << QStringList{u"A"_s, u"B"_s};
    QTest::newRow("utf8") << QByteArray("M\xc3\xbcller\r\n") << QStringList{u"Müller"_s};
    QTest::newRow("windows-1252 from older files")
        << QByteArray("M\xfcller \x80\r\n") << QStringList{u"Müller €"_s};
}

void TestDiscNameList::parsesLineBreaks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QCOMPARE(DiscNameList::parse(bytes), names);
}

void TestDiscNameList::writesCrLfAfterEveryName()
{
    QCOMPARE(DiscNameList::serialize({}), QByteArray());
    QCOMPARE(DiscNameList::serialize({u"Alle CD's"_s, QString(), u" X "_s}),
             QByteArray("Alle CD's\r\n\r\n X \r\n"));
}

void TestDiscNameList::roundTripsThroughTheFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Quilo.lst"_s);
    const QStringList names{u"Alle CD's"_s, u"  Leerzeichen  "_s, QString(), u"Größe"_s};
    DiscNameList::save(path, names);
    QCOMPARE(DiscNameList::load(path), names);

    DiscNameList::save(path, {u"KURZ"_s});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("KURZ\r\n"));
}

void TestDiscNameList::reportsFilesThatCannotBeWrittenOrRead()
{
    QTemporaryDir folder;
    const QString missingFolder = folder.filePath(u"gone/Quilo.lst"_s);
    try {
        DiscNameList::save(missingFolder, {u"A"_s});
        QFAIL("saving into a missing folder succeeded");
    } catch (const AppError &error) {
        QCOMPARE(error.message(), u"Datei %1 kann nicht erstellt werden"_s.arg(missingFolder));
    }
    QVERIFY_THROWS_EXCEPTION(AppError, DiscNameList::load(missingFolder));
}

void TestDiscNameList::fullStopRule_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << u"Fehler"_s << u"Fehler."_s;
    QTest::newRow("quote") << u"Datei \"x\""_s << u"Datei \"x\""_s;
    QTest::newRow("full stop") << u"Ende."_s << u"Ende."_s;
    QTest::newRow("bang") << u"Achtung!"_s << u"Achtung!"_s;
    QTest::newRow("paren") << u"(oder finden?)"_s << u"(oder finden?)"_s;
    QTest::newRow("blank") << u"Text "_s << u"Text "_s;
    QTest::newRow("digit") << u"Fehler 5"_s << u"Fehler 5."_s;
    QTest::newRow("umlaut") << u"Größe"_s << u"Größe."_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestDiscNameList::fullStopRule()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(withFullStop(message), shown);
}

void TestDiscNameList::guardTurnsErrorsIntoReports()
{
    RecordingDialogService dialogs;
    bool after = false;
    runGuarded(dialogs, [&] {
        throw AppError(u"Eigenschaft TProgressBar außerhalb des gültigen Bereichs"_s);
        after = true;
    });
    QVERIFY(!after);
    QCOMPARE(dialogs.errors,
             QStringList{u"Eigenschaft TProgressBar außerhalb des gültigen Bereichs."_s});
    runGuarded(dialogs, [] {});
    QCOMPARE(dialogs.total(), 1);
}

QTEST_GUILESS_MAIN(TestDiscNameList)
#include "tst_discnamelist.moc"
