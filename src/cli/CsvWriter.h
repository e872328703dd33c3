#pragma once

#include "cli/RecordWriter.h"

// CSV as RFC 4180 has it: a header row of the field names, CR LF after every record, each text
// in double quotes with its quotes doubled. NULL is an empty field and the empty text "", so the
// two stay apart.
class CsvWriter final : public RecordWriter
{
public:
    CsvWriter(TextSink &sink, QList<Column> columns);

    void write(const RecordRow &row) override;
    void end() override;

private:
    void writeHeader();

    TextSink &m_sink;
    QList<Column> m_columns;
    QString m_line;
    bool m_headerWritten = false;
};
