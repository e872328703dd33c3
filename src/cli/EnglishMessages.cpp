#include "cli/EnglishMessages.h"

#include <QRegularExpression>

#include <vector>

using namespace Qt::StringLiterals;

const QList<EnglishMessages::Form> &EnglishMessages::table()
{
    static const QList<Form> forms{
        // The catalogue store.
        {u"Eine Datenmenge, die nur zum Lesen ist, kann nicht geändert werden"_s,
         u"A read-only data set cannot be changed"_s},
        {u"Operation bei geschlossener Datenmenge nicht ausführbar"_s,
         u"Cannot perform this operation on a closed data set"_s},
        {u"^(.+?) ist keine CD-Datenbank \\(erwartet: Tabelle CD mit den Feldern "
         u"Nr, CD, DATEI, INFO, INHALT\\)"_s,
         u"\\1 is not a disc catalogue (expected: table CD with the fields "
         u"Nr, CD, DATEI, INFO, INHALT)"_s},
        {u"; tralbo-newcatalogue legt ihn an"_s, u"; tralbo-newcatalogue creates it"_s},
        {u"Der Datenbanktreiber (\\S+) ist nicht verfügbar \\(Paket (\\S+)\\)"_s,
         u"The database driver \\1 is not available (package \\2)"_s},
        {u"Der Datenbanktreiber (\\S+) ist nicht verfügbar"_s,
         u"The database driver \\1 is not available"_s},
        {u"Datenbank (.+?) nicht gefunden"_s, u"Database \\1 not found"_s},
        {u"Datenbank (.+?) nicht erreichbar: (.*)"_s, u"Database \\1 cannot be reached: \\2"_s},
        {u"Verbindung zur Datenbank (.+?) unterbrochen, nichts davon wurde gespeichert: (.*)"_s,
         u"Connection to database \\1 lost, none of it was stored: \\2"_s},
        {u"Verbindung zur Datenbank (.+?) unterbrochen: (.*)"_s,
         u"Connection to database \\1 lost: \\2"_s},
        {u"Keine Berechtigung für den Katalog (.+?): (.*)"_s,
         u"No permission for the catalogue \\1: \\2"_s},
        {u"Datenbank (.+?) ist gesperrt"_s, u"Database \\1 is locked"_s},
        {u"Datenbank (.+?) ist beschädigt"_s, u"Database \\1 is damaged"_s},
        {u"Datenbank (.+?) kann nicht geöffnet werden"_s, u"Cannot open database \\1"_s},
        {u"Datenbank (.+?) ist nicht UTF-8; der Katalog braucht eine UTF-8-Datenbank"_s,
         u"Database \\1 is not UTF-8; the catalogue needs a UTF-8 database"_s},
        {u"Datenbank (.+?) enthält schon einen Katalog"_s,
         u"Database \\1 already holds a catalogue"_s},
        {u"Datenbankadresse (.+?) ist ungültig: (.*)"_s, u"Database address \\1 is invalid: \\2"_s},
        {u"Datensatz abgelehnt: (.*)"_s, u"Record rejected: \\1"_s},
        {u"Datenbankfehler: (.*)"_s, u"Database error: \\1"_s},
        {u"Datensatz (\\d+) ist nicht vorhanden"_s, u"Record \\1 does not exist"_s},
        {u"Datensatz wurde von einem anderen Benutzer gelöscht"_s,
         u"The record was deleted by another user"_s},
        {u"Feld (.+?) kann nicht geändert werden"_s, u"Field \\1 cannot be changed"_s},
        {u"Feld (.+?) ist nicht vorhanden"_s, u"Field \\1 does not exist"_s},
        {u"Der Datenordner (.+?) kann nicht angelegt werden"_s,
         u"Cannot create the data folder \\1"_s},
        {u"Im Datenordner (.+?) kann kein Katalog angelegt werden: (.*)"_s,
         u"Cannot create a catalogue in the data folder \\1: \\2"_s},
        {u"^(.+?) existiert bereits und wird nicht überschrieben"_s,
         u"\\1 already exists and is not overwritten"_s},
        // The search index.
        {u"Suchindex (.+?) kann jetzt nicht erneuert werden: Die Datenbank wird gerade "
         u"geschrieben"_s,
         u"Search index \\1 cannot be brought up to date now: the database is being written"_s},
        {u"Zu (.+?) kann kein Suchindex angelegt werden"_s,
         u"Cannot build a search index for \\1"_s},
        {u"Suchindex (.+?) kann nicht gespeichert werden"_s, u"Cannot save search index \\1"_s},
        {u"Suchindex (.+?) kann nicht angelegt werden: (.*)"_s,
         u"Cannot create search index \\1: \\2"_s},
        // Directory trees and the files beside the catalogue.
        {u"Laufwerk (.+?) kann nicht gelesen werden, Datei (.+?) bleibt unverändert"_s,
         u"Cannot read drive \\1, file \\2 stays unchanged"_s},
        {u"Laufwerk (.+?) kann nicht gelesen werden, Verzeichnisbaum \"(.*?)\" in (.+?) bleibt "
         u"unverändert"_s,
         u"Cannot read drive \\1, directory tree \"\\2\" in \\3 stays unchanged"_s},
        {u"Verzeichnisbaum \"(.*?)\" in (.+?) kann nicht erstellt werden"_s,
         u"Cannot create directory tree \"\\1\" in \\2"_s},
        {u"Ungültige Ebene \\((-?\\d+)\\) für Eintrag \"(.*)\""_s,
         u"Invalid level (\\1) for entry \"\\2\""_s},
        {u"Datei (.+?) kann nicht erstellt werden"_s, u"Cannot create file \\1"_s},
        {u"Datei (.+?) kann nicht geöffnet werden"_s, u"Cannot open file \\1"_s},
        {u"^(.+?) kann nicht angelegt werden: (.*)"_s, u"Cannot create \\1: \\2"_s},
        // Scans and their ZIP listings.
        {u"Datei (.+?) nicht vorhanden"_s, u"File \\1 does not exist"_s},
        {u"Text überschreitet Memo-Kapazität"_s, u"Text exceeds the memo's capacity"_s},
        {u"Fehler 5 beim Lesen des Zip-Files"_s, u"Error 5 reading the ZIP file"_s},
        {u"Datei (.+?) verschlüsselt"_s, u"File \\1 is encrypted"_s},
        {u"Datei (.+?) nicht lesbar"_s, u"File \\1 cannot be read"_s},
        // Disc images.
        {u"Die Abbilddatei kann nicht gelesen werden: (.*)"_s,
         u"Cannot read the image file: \\1"_s},
        {u"Die Datei ist kein Abbild einer CD oder DVD \\(weder ISO 9660 noch UDF\\)"_s,
         u"The file is no image of a CD or DVD (neither ISO 9660 nor UDF)"_s},
        {u"Die Abbilddatei ist beschädigt: "_s, u"The image file is damaged: "_s},
        {u"ein Verweis zeigt hinter ihr Ende"_s, u"a reference points past its end"_s},
        {u"ein Verzeichniseintrag ist ungültig"_s, u"a directory record is invalid"_s},
        {u"ein Ordner kommt mehrfach im Ordnerbaum vor \\(Schleife\\)"_s,
         u"a folder appears more than once in the folder tree (loop)"_s},
        {u"ein Name enthält \"/\" oder ein Nullzeichen"_s,
         u"a name holds \"/\" or a null character"_s},
        {u"ein Name ist ungültig"_s, u"a name is invalid"_s},
        {u"die Beschreibung des Datenträgers ist ungültig"_s,
         u"the description of the volume is invalid"_s},
        {u"ein Ordner ist unmöglich groß"_s, u"a folder is impossibly large"_s},
        {u"Das Abbild verwendet eine Form von UDF, die nicht unterstützt wird"_s,
         u"The image uses a form of UDF that is not supported"_s},
        {u"\"(.+?)\" gibt es im Abbild nicht"_s, u"\"\\1\" does not exist in the image"_s},
        {u"\"(.+?)\" ist im Abbild kein Ordner"_s, u"\"\\1\" is no folder in the image"_s},
        // The desktop's settings.
        {u"Ungültiger Datentyp für '(.+?)'"_s, u"Invalid data type for '\\1'"_s},
        {u"Konnte Daten für '(.+?)' nicht setzen"_s, u"Could not set data for '\\1'"_s},
    };
    return forms;
}

QString EnglishMessages::translated(const QString &message)
{
    // Compiled once: the table is fixed while the tool runs.
    static const std::vector<std::pair<QRegularExpression, QString>> compiled = [] {
        std::vector<std::pair<QRegularExpression, QString>> expressions;
        for (const Form &form : table())
            expressions.emplace_back(QRegularExpression(form.german), form.english);
        return expressions;
    }();
    QString text = message;
    for (const auto &[german, english] : compiled)
        text.replace(german, english);
    return text;
}
