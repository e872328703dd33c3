#include "cli/RecordWriter.h"

#include "catalogue/CatalogueSchema.h"
#include "cli/CsvWriter.h"
#include "cli/HtmlWriter.h"
#include "cli/JsonWriter.h"
#include "cli/TextWriter.h"

std::unique_ptr<RecordWriter> makeRecordWriter(OutputFormat format, TextSink &sink,
                                               QList<Column> columns, const Texts &texts)
{
    switch (format) {
    case OutputFormat::Text:
        return std::make_unique<TextWriter>(sink, std::move(columns));
    case OutputFormat::Csv:
        return std::make_unique<CsvWriter>(sink, std::move(columns));
    case OutputFormat::Json:
        return std::make_unique<JsonWriter>(sink, std::move(columns));
    case OutputFormat::Html:
        return std::make_unique<HtmlWriter>(sink, std::move(columns), texts);
    }
    return nullptr;
}

QString columnName(Column column)
{
    return CatalogueSchema::FieldNames[std::size_t(column)].toString();
}

FieldValue columnValue(const RecordRow &row, Column column)
{
    if (column == Column::Key)
        return QString::number(row.key);
    return row.fields[std::size_t(column) - 1];
}
