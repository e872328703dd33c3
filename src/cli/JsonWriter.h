#pragma once

#include "cli/RecordWriter.h"

// A JSON array of one object per record, keyed by field name, one object per line: the key a
// number, NULL null, texts as strings. A lone surrogate, which UTF-8 cannot carry, is written as
// its \u escape.
class JsonWriter final : public RecordWriter
{
public:
    JsonWriter(TextSink &sink, QList<Column> columns);

    void write(const RecordRow &row) override;
    void end() override;

private:
    TextSink &m_sink;
    QList<Column> m_columns;
    QList<QString> m_keys; // each column's name, quoted, with its colon
    QString m_line;
    bool m_first = true;
};

// Appends text as a JSON string with its quotes.
void appendJsonString(QString &out, QStringView text);
