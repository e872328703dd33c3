#include "CatalogueGenerator.h"

#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/CatalogueTable.h"

#include <QDir>
#include <QFile>
#include <QStringList>

using namespace Qt::StringLiterals;

CatalogueRecord RecordGenerator::next()
{
    const int index = m_index++;
    static const QStringList areas{u"GAMES"_s,   u"UTILS"_s, u"DEMOS"_s,  u"TOOLS"_s,
                                   u"GRAFIK"_s,  u"SOUND"_s, u"PASCAL"_s, u"TREIBER"_s,
                                   u"WINDOWS"_s, u"DOS"_s,   u"TEXT"_s,   u"MODEM"_s};
    static const QStringList extensions{u"EXE"_s, u"COM"_s, u"BAT"_s, u"ZIP"_s, u"PAS"_s};
    const QString path =
        index % RareEvery == RareEvery / 2
            ? u"d:\\GAMES\\ZZTOP\\ZZTOP%1.EXE"_s.arg(index / RareEvery)
            : u"d:\\%1\\%2\\%3.%4"_s.arg(areas[pick(areas.size())], word(3, 8), word(4, 8),
                                         extensions[pick(extensions.size())]);
    const int kind = pick(100);
    return {std::nullopt, u"SHAREWARE %1"_s.arg(index / DiscRecords + 1), path,
            kind < 20 ? FieldValue(text(1024, false)) : std::nullopt,
            kind >= 95 ? FieldValue(text(2048, true)) : std::nullopt};
}

QString RecordGenerator::word(int shortest, int longest)
{
    QString result;
    for (int length = shortest + pick(longest - shortest + 1); length > 0; --length)
        result += QChar(u'A' + pick(25));
    return result;
}

// Description lines of words, or listing lines of sizes, dates and member names, each line
// ended by CR LF, up to the size.
QString RecordGenerator::text(int size, bool listing)
{
    static const QStringList words{u"Das"_s,     u"beste"_s,     u"Spiel"_s,        u"für"_s,
                                   u"DOS"_s,     u"mit"_s,       u"Sound"_s,        u"Blaster"_s,
                                   u"Version"_s, u"Shareware"_s, u"registrieren"_s, u"und"_s};
    QString result;
    while (result.size() < size) {
        QString line;
        if (listing) {
            line = u"%1  %2-%3-96 12:%4  %5.TXT"_s.arg(pick(99'999), 8)
                       .arg(1 + pick(12), 2, 10, QLatin1Char('0'))
                       .arg(1 + pick(28), 2, 10, QLatin1Char('0'))
                       .arg(pick(60), 2, 10, QLatin1Char('0'))
                       .arg(word(3, 8));
        } else {
            while (line.size() < 60)
                line += words[pick(words.size())] + u' ';
        }
        result += line + u"\r\n"_s;
    }
    return result;
}

void importRecords(const QString &fileName, int count, RecordGenerator &generator)
{
    CatalogueTable table(CataloguePlace::of(fileName, {}));
    table.open();
    table.edit();
    if (table.append(count, [&](qsizetype) { return generator.next(); }) != count)
        qFatal("the catalogue refused a generated record");
    table.close();
}

QString largeCatalogue(const QString &folder)
{
    return generatedCatalogue(folder, LargeRecords);
}

QString generatedCatalogue(const QString &folder, int records)
{
    const QString fileName = folder + u"/CD.db"_s;
    if (QFile::exists(fileName))
        return fileName;
    QDir().mkpath(folder);
    const QString building = folder + u"/building.db"_s;
    QFile::remove(building);
    createEmptyCatalogue(building);
    RecordGenerator generator;
    importRecords(building, records, generator);
    if (!QFile::rename(building, fileName))
        qFatal("cannot rename %s", qPrintable(building));
    return fileName;
}

QString csvField(const FieldValue &value)
{
    if (!value)
        return {};
    return u'"' + QString(*value).replace(u'"', u"\"\""_s) + u'"';
}

void writeCsv(const QString &fileName, const std::vector<CatalogueRecord> &records,
              const std::function<QStringList(qsizetype, const CatalogueRecord &)> &fieldsOf)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(fileName));
    for (qsizetype i = 0; i < qsizetype(records.size()); ++i)
        file.write((fieldsOf(i, records[std::size_t(i)]).join(u',') + u'\n').toUtf8());
}

void openRareSearch(const QString &catalogue, const QString &text)
{
    BrowseQuery query(CataloguePlace::of(catalogue, {}));
    query.setRequestLive(false);
    query.setRequest({BrowseRequest::Kind::FileNameSearch, text});
    query.open();
    if (query.rowCount() != LargeRecords / RareEvery)
        qFatal("search found %d rows", query.rowCount());
}
