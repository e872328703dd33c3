#pragma once

#include "cli/RecordWriter.h"

// One line per record, the values separated by tabs, NULL as nothing; for people and for cut.
class TextWriter final : public RecordWriter
{
public:
    TextWriter(TextSink &sink, QList<Column> columns);

    void write(const RecordRow &row) override;
    void end() override {}

private:
    TextSink &m_sink;
    QList<Column> m_columns;
    QString m_line;
};
