#include "cli/TextWriter.h"

#include "cli/TextSink.h"

TextWriter::TextWriter(TextSink &sink, QList<Column> columns)
    : m_sink(sink), m_columns(std::move(columns))
{}

void TextWriter::write(const RecordRow &row)
{
    m_line.clear();
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (i > 0)
            m_line += u'\t';
        if (const FieldValue value = columnValue(row, m_columns[i]))
            m_line += *value;
    }
    m_line += u'\n';
    m_sink << m_line;
}
