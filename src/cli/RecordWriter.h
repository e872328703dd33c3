#pragma once

#include "cli/RecordRow.h"

#include <QList>
#include <QString>

#include <memory>

class TextSink;
class Texts;

// Writes records one at a time in one output format to a text sink, which buffers them: a
// million records must not cost a million writes. end() closes what the first write opened.
class RecordWriter
{
public:
    virtual ~RecordWriter() = default;
    virtual void write(const RecordRow &row) = 0;
    virtual void end() = 0;
};

enum class OutputFormat
{
    Text,
    Csv,
    Json,
    Html
};

// A writer of the given columns. Text: the values separated by tabs, one line per record.
std::unique_ptr<RecordWriter> makeRecordWriter(OutputFormat format, TextSink &sink,
                                               QList<Column> columns, const Texts &texts);

// The column's field name in the catalogue ("Nr", "CD", "DATEI", "INFO", "INHALT").
QString columnName(Column column);
// The column's value in a row, the key as decimal text.
FieldValue columnValue(const RecordRow &row, Column column);
