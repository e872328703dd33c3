#include "cli/CommandTable.h"

#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/ScanChoice.h"

using namespace Qt::StringLiterals;

const QList<CommandSpec> &commandTable()
{
    using namespace CommonOptions;
    static const QList<CommandSpec> commands{
        {u"drives"_s,
         {},
         u"Die Laufwerke so auflisten, wie die Laufwerksauswahl des Fensters sie zeigt"_s,
         u"List the drives as the window's drive selector shows them"_s,
         {},
         runDrives},
        {u"scan"_s,
         {u"DRIVE-OR-FOLDER-OR-IMAGE"_s},
         u"ein Laufwerk, einen Ordner oder eine Abbilddatei durchsuchen und die Auswahlliste "
         u"ausgeben"_s,
         u"scan a drive, folder or disc image and print the selection list"_s,
         scanOptionSpecs() + QList<OptionSpec>{format(OutputFormat::Json)},
         runScan},
        {u"import"_s,
         {u"DRIVE-OR-FOLDER-OR-IMAGE"_s},
         u"ein Laufwerk, einen Ordner oder eine Abbilddatei durchsuchen und in den Katalog "
         u"aufnehmen"_s,
         u"scan a drive, folder or disc image and import it into the catalogue"_s,
         importOptionSpecs() + scanOptionSpecs() + QList<OptionSpec>{catalogue()},
         runImport},
        {u"diff"_s,
         {u"NAME"_s, u"DRIVE-OR-FOLDER-OR-IMAGE"_s},
         u"Zeigen, was \"import --replace\" an der CD NAME ändern würde: + neu, - entfernt, "
         u"~ geändert; Rückgabewert 3, wenn sich etwas ändern würde"_s,
         u"Show what \"import --replace\" would change on disc NAME: + new, - deleted, "
         u"~ changed; exit status 3 when something would change"_s,
         scanOptionSpecs() + QList<OptionSpec>{format(OutputFormat::Json), catalogue()},
         runDiff},
        {u"discs"_s,
         {},
         u"Die CD-Namen des Katalogs auflisten, wie \"Refresh\" sie zeigt"_s,
         u"List the disc names of the catalogue as \"Refresh\" shows them"_s,
         {catalogue()},
         runDiscs},
        {u"search"_s,
         {u"TEXT"_s},
         u"Die Datensätze finden, deren Pfad TEXT enthält (wie die Suche des Fensters)"_s,
         u"Find the records whose path holds TEXT (as the window's search does)"_s,
         {disc(u"Nur Datensätze dieser CD (genauer Name)"_s,
               u"Only records of this disc (exact name)"_s),
          format(OutputFormat::Csv), format(OutputFormat::Json), catalogue()},
         runSearch},
        {u"tree"_s,
         {u"NAME"_s},
         u"Den gespeicherten Verzeichnisbaum einer CD eingerückt ausgeben"_s,
         u"Print the stored directory tree of a disc as an indented outline"_s,
         {catalogue()},
         runTree},
        {u"export"_s,
         {},
         u"Den Katalog oder eine CD als CSV, JSON oder HTML ausgeben"_s,
         u"Write the catalogue or one disc as CSV, JSON or HTML"_s,
         {format(OutputFormat::Csv), format(OutputFormat::Json), format(OutputFormat::Html),
          disc(u"Nur diese CD (genauer Name)"_s, u"Only this disc (exact name)"_s), output(),
          catalogue()},
         runExport},
        {u"index"_s,
         {},
         u"Den Suchindex einer Katalogdatei anlegen oder auf den neuesten Stand bringen"_s,
         u"Build the search index of a catalogue file or bring it up to date"_s,
         {catalogue()},
         runIndex},
    };
    return commands;
}
