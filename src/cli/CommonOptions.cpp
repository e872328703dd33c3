#include "cli/CommonOptions.h"

#include "cli/CatalogueRecords.h"
#include "cli/UsageError.h"

using namespace Qt::StringLiterals;

namespace {

struct FormatSwitch
{
    OutputFormat format;
    QString name;
    QString german;
    QString english;
};

const QList<FormatSwitch> &formatSwitches()
{
    static const QList<FormatSwitch> switches{
        {OutputFormat::Csv, u"--csv"_s, u"CSV nach RFC 4180 mit Kopfzeile"_s,
         u"CSV as RFC 4180, with a header row"_s},
        {OutputFormat::Json, u"--json"_s, u"Ein JSON-Array von Objekten"_s,
         u"A JSON array of objects"_s},
        {OutputFormat::Html, u"--html"_s, u"Eine HTML-Seite mit einer Tabelle je CD"_s,
         u"An HTML page with a table per disc"_s},
    };
    return switches;
}

} // namespace

namespace CommonOptions {

const QString Catalogue = u"--catalogue"_s;
const QString Disc = u"--disc"_s;
const QString Output = u"--output"_s;

OptionSpec catalogue()
{
    return {Catalogue,
            {},
            u"FILE|URL"_s,
            u"Diesen Katalog lesen: eine Datei oder eine PostgreSQL-Adresse"_s,
            u"Read this catalogue: a file or a PostgreSQL location"_s};
}

OptionSpec disc(const QString &germanHelp, const QString &englishHelp)
{
    return {Disc, {}, u"NAME"_s, germanHelp, englishHelp};
}

OptionSpec output()
{
    return {Output, u"-o"_s, u"FILE"_s, u"In diese Datei statt auf die Standardausgabe schreiben"_s,
            u"Write to this file instead of standard output"_s};
}

OptionSpec format(OutputFormat format)
{
    for (const FormatSwitch &entry : formatSwitches()) {
        if (entry.format == format)
            return {entry.name, {}, {}, entry.german, entry.english};
    }
    return {};
}

} // namespace CommonOptions

OutputFormat chosenFormat(const Invocation &invocation, std::optional<OutputFormat> fallback,
                          const Texts &texts)
{
    std::optional<OutputFormat> chosen;
    for (const FormatSwitch &entry : formatSwitches()) {
        if (!invocation.has(entry.name))
            continue;
        if (chosen)
            throw UsageError(texts(u"Nur eines von --csv, --json und --html angeben"_s,
                                   u"Give only one of --csv, --json and --html"_s));
        chosen = entry.format;
    }
    if (chosen)
        return *chosen;
    if (fallback)
        return *fallback;
    throw UsageError(texts(u"Ein Format angeben: --csv, --json oder --html"_s,
                           u"Give a format: --csv, --json or --html"_s));
}

std::optional<QString> chosenDisc(const Invocation &invocation, const CataloguePlace &catalogue,
                                  const Texts &texts)
{
    if (!invocation.has(CommonOptions::Disc))
        return std::nullopt;
    const QString disc = invocation.value(CommonOptions::Disc);
    if (!catalogueHasDisc(catalogue, disc))
        throw UsageError(texts(u"Der Katalog enthält keine CD namens \"%1\""_s,
                               u"The catalogue holds no disc named \"%1\""_s)
                             .arg(disc));
    return disc;
}
