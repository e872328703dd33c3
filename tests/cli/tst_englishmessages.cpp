// The core's German messages as the tool shows them under an English locale.

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFixture.h"
#include "catalogue/SearchIndex.h"
#include "cli/EnglishMessages.h"
#include "RunTool.h"

#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

struct Case
{
    QString german;
    QString english;
};

// Each German form of the table as the core writes it, made by the core's own functions where
// it has them, so that a changed wording shows here.
QList<Case> cases()
{
    const QString file = u"/data/CD.db"_s;
    return {
        {CatalogueMessage::readOnly(), u"A read-only data set cannot be changed"_s},
        {CatalogueMessage::closedDataSet(),
         u"Cannot perform this operation on a closed data set"_s},
        {CatalogueMessage::notFound(file), u"Database /data/CD.db not found"_s},
        {CatalogueMessage::notACatalogue(file) + u"; tralbo-newcatalogue legt ihn an"_s,
         u"/data/CD.db is not a disc catalogue (expected: table CD with the fields Nr, CD, DATEI, "
         u"INFO, INHALT); tralbo-newcatalogue creates it"_s},
        {CatalogueMessage::engineUnavailable(), u"The database driver QSQLITE is not available"_s},
        {CatalogueMessage::serverDriverUnavailable(),
         u"The database driver QPSQL is not available (package libqt6sql6-psql)"_s},
        {CatalogueMessage::serverUnreachable(u"postgresql://db/cat"_s, u"timeout expired"_s),
         u"Database postgresql://db/cat cannot be reached: timeout expired"_s},
        {serverError(u"08006"_s, u"FATAL:  terminating connection"_s, u"service=x"_s, false)
             .message(),
         u"Connection to database service=x lost, none of it was stored: terminating connection"_s},
        {CatalogueMessage::connectionLostReading(u"service=x"_s, u"server closed"_s),
         u"Connection to database service=x lost: server closed"_s},
        {CatalogueMessage::noPrivilege(u"service=x"_s, u"permission denied for table cd"_s),
         u"No permission for the catalogue service=x: permission denied for table cd"_s},
        {serverError(u"23502"_s, u"ERROR:  null value"_s, u"service=x"_s, false).message(),
         u"Record rejected: null value"_s},
        {serverError(u"42P01"_s, u"ERROR:  no such relation"_s, u"service=x"_s, false).message(),
         u"Database error: no such relation"_s},
        {catalogueError(SQLITE_BUSY, u"database is locked"_s, file).message(),
         u"Database /data/CD.db is locked"_s},
        {catalogueError(SQLITE_NOTADB, u"file is not a database"_s, file).message(),
         u"Database /data/CD.db is damaged"_s},
        {catalogueError(SQLITE_CANTOPEN, u"unable to open"_s, file).message(),
         u"Cannot open database /data/CD.db"_s},
        {u"Datenbank service=x ist nicht UTF-8; der Katalog braucht eine UTF-8-Datenbank"_s,
         u"Database service=x is not UTF-8; the catalogue needs a UTF-8 database"_s},
        {u"Datenbank service=x enthält schon einen Katalog"_s,
         u"Database service=x already holds a catalogue"_s},
        {u"Datenbankadresse host=a ist ungültig: \";\" in password"_s,
         u"Database address host=a is invalid: \";\" in password"_s},
        {u"Datensatz 7 ist nicht vorhanden"_s, u"Record 7 does not exist"_s},
        {u"Datensatz wurde von einem anderen Benutzer gelöscht"_s,
         u"The record was deleted by another user"_s},
        {u"Feld 5 kann nicht geändert werden"_s, u"Field 5 cannot be changed"_s},
        {u"Feld INFO ist nicht vorhanden"_s, u"Field INFO does not exist"_s},
        {u"Der Datenordner /home/u/.local/share/Olvane/Tralbo kann nicht angelegt werden"_s,
         u"Cannot create the data folder /home/u/.local/share/Olvane/Tralbo"_s},
        {u"Im Datenordner /d kann kein Katalog angelegt werden: Permission denied"_s,
         u"Cannot create a catalogue in the data folder /d: Permission denied"_s},
        {u"/d/CD.db existiert bereits und wird nicht überschrieben"_s,
         u"/d/CD.db already exists and is not overwritten"_s},
        {u"/d/CD.db kann nicht angelegt werden: Disk full"_s,
         u"Cannot create /d/CD.db: Disk full"_s},
        {u"Suchindex /d/CD.idx kann jetzt nicht erneuert werden: Die Datenbank wird gerade "
         u"geschrieben"_s,
         u"Search index /d/CD.idx cannot be brought up to date now: the database is being "
         u"written"_s},
        {u"Zu /d/CD.db kann kein Suchindex angelegt werden"_s,
         u"Cannot build a search index for /d/CD.db"_s},
        {u"Suchindex /d/CD.idx kann nicht gespeichert werden"_s,
         u"Cannot save search index /d/CD.idx"_s},
        {u"Suchindex /d/CD.idx kann nicht angelegt werden: No space left"_s,
         u"Cannot create search index /d/CD.idx: No space left"_s},
        {u"Laufwerk d:\\ kann nicht gelesen werden, Datei /d/A.vfs bleibt unverändert"_s,
         u"Cannot read drive d:\\, file /d/A.vfs stays unchanged"_s},
        {u"Laufwerk d:\\ kann nicht gelesen werden, Verzeichnisbaum \"A\" in service=x bleibt "
         u"unverändert"_s,
         u"Cannot read drive d:\\, directory tree \"A\" in service=x stays unchanged"_s},
        {u"Verzeichnisbaum \"A\" in service=x kann nicht erstellt werden"_s,
         u"Cannot create directory tree \"A\" in service=x"_s},
        {u"Ungültige Ebene (3) für Eintrag \"deep\""_s, u"Invalid level (3) for entry \"deep\""_s},
        {u"Datei /d/A.vfs kann nicht erstellt werden"_s, u"Cannot create file /d/A.vfs"_s},
        {u"Datei d:\\A.ZIP kann nicht geöffnet werden"_s, u"Cannot open file d:\\A.ZIP"_s},
        {u"Datei d:\\A.ZIP nicht vorhanden"_s, u"File d:\\A.ZIP does not exist"_s},
        {u"Text überschreitet Memo-Kapazität"_s, u"Text exceeds the memo's capacity"_s},
        {u"Fehler 5 beim Lesen des Zip-Files"_s, u"Error 5 reading the ZIP file"_s},
        {u"Datei d:\\A.7Z verschlüsselt"_s, u"File d:\\A.7Z is encrypted"_s},
        {u"Datei d:\\A.CAB nicht lesbar"_s, u"File d:\\A.CAB cannot be read"_s},
        {u"Die Abbilddatei kann nicht gelesen werden: Permission denied"_s,
         u"Cannot read the image file: Permission denied"_s},
        {u"Die Datei ist kein Abbild einer CD oder DVD (weder ISO 9660 noch UDF)"_s,
         u"The file is no image of a CD or DVD (neither ISO 9660 nor UDF)"_s},
        {u"Die Abbilddatei ist beschädigt: ein Verweis zeigt hinter ihr Ende"_s,
         u"The image file is damaged: a reference points past its end"_s},
        {u"Die Abbilddatei ist beschädigt: ein Verzeichniseintrag ist ungültig"_s,
         u"The image file is damaged: a directory record is invalid"_s},
        {u"Die Abbilddatei ist beschädigt: ein Ordner kommt mehrfach im Ordnerbaum vor "
         u"(Schleife)"_s,
         u"The image file is damaged: a folder appears more than once in the folder tree "
         u"(loop)"_s},
        {u"Die Abbilddatei ist beschädigt: ein Name enthält \"/\" oder ein Nullzeichen"_s,
         u"The image file is damaged: a name holds \"/\" or a null character"_s},
        {u"Die Abbilddatei ist beschädigt: ein Name ist ungültig"_s,
         u"The image file is damaged: a name is invalid"_s},
        {u"Die Abbilddatei ist beschädigt: die Beschreibung des Datenträgers ist ungültig"_s,
         u"The image file is damaged: the description of the volume is invalid"_s},
        {u"Die Abbilddatei ist beschädigt: ein Ordner ist unmöglich groß"_s,
         u"The image file is damaged: a folder is impossibly large"_s},
        {u"Das Abbild verwendet eine Form von UDF, die nicht unterstützt wird"_s,
         u"The image uses a form of UDF that is not supported"_s},
        {u"\"/A/B\" gibt es im Abbild nicht"_s, u"\"/A/B\" does not exist in the image"_s},
        {u"\"/A\" ist im Abbild kein Ordner"_s, u"\"/A\" is no folder in the image"_s},
        {u"Ungültiger Datentyp für 'autorun-never'"_s, u"Invalid data type for 'autorun-never'"_s},
        {u"Konnte Daten für 'autorun-never' nicht setzen"_s,
         u"Could not set data for 'autorun-never'"_s},
        // A core message inside one of the tool's own, and text the table does not know.
        {u"Record 3 was rejected; the 2 before it are stored: Datensatz abgelehnt: NOT NULL"_s,
         u"Record 3 was rejected; the 2 before it are stored: Record rejected: NOT NULL"_s},
        {u"Cannot write file /x: No space left on device"_s,
         u"Cannot write file /x: No space left on device"_s},
    };
}

} // namespace

class TestEnglishMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void germanFormsBecomeEnglish_data();
    void germanFormsBecomeEnglish();
    void everyFormOfTheTableHasACase();
    void lockedCatalogueIsReportedInEnglish();
};

void TestEnglishMessages::germanFormsBecomeEnglish_data()
{
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    for (const Case &sample : cases())
        QTest::newRow(qPrintable(sample.german)) << sample.german << sample.english;
}

void TestEnglishMessages::germanFormsBecomeEnglish()
{
    QFETCH(QString, german);
    QFETCH(QString, english);
    QCOMPARE(EnglishMessages::translated(german), english);
}

void TestEnglishMessages::everyFormOfTheTableHasACase()
{
    const QList<Case> samples = cases();
    for (const EnglishMessages::Form &form : EnglishMessages::table()) {
        const QRegularExpression german(form.german);
        QVERIFY2(german.isValid(), qPrintable(form.german));
        QVERIFY2(
            std::any_of(samples.begin(), samples.end(),
                        [&](const Case &sample) { return german.match(sample.german).hasMatch(); }),
            qPrintable(u"No case for "_s + form.german));
    }
}

void TestEnglishMessages::lockedCatalogueIsReportedInEnglish()
{
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"d:\\A.EXE"_s, {}, {}}});
    const QString indexFile = SearchIndex::forCatalogue(catalogue.fileName()).fileName();
    // Another program in the middle of writing the catalogue.
    QSqlDatabase writer = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"writer"_s);
    writer.setDatabaseName(catalogue.fileName());
    QVERIFY(writer.open());
    QSqlQuery(writer).exec(u"BEGIN IMMEDIATE"_s);
    QVERIFY(QSqlQuery(writer).exec(u"UPDATE CD SET INFO = 'x'"_s));

    const Outcome outcome =
        runTool({u"index"_s, u"--catalogue"_s, catalogue.fileName()}, {u"LANG=C"_s});
    QSqlQuery(writer).exec(u"ROLLBACK"_s);
    writer.close();
    writer = {};
    QSqlDatabase::removeDatabase(u"writer"_s);
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.err, u"tralbo-cli: Search index %1 cannot be brought up to date now: the "
                          u"database is being written\n"_s.arg(indexFile));
}

QTEST_GUILESS_MAIN(TestEnglishMessages)
#include "tst_englishmessages.moc"
