#include "cli/CsvWriter.h"

#include "cli/TextSink.h"

using namespace Qt::StringLiterals;

namespace {

void appendQuoted(QString &line, QStringView text)
{
    line += u'"';
    for (qsizetype quote = text.indexOf(u'"'); quote >= 0; quote = text.indexOf(u'"')) {
        line += text.first(quote + 1);
        line += u'"';
        text = text.sliced(quote + 1);
    }
    line += text;
    line += u'"';
}

} // namespace

CsvWriter::CsvWriter(TextSink &sink, QList<Column> columns)
    : m_sink(sink), m_columns(std::move(columns))
{}

void CsvWriter::writeHeader()
{
    m_headerWritten = true;
    m_line.clear();
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (i > 0)
            m_line += u',';
        m_line += columnName(m_columns[i]);
    }
    m_line += u"\r\n"_s;
    m_sink << m_line;
}

void CsvWriter::write(const RecordRow &row)
{
    if (!m_headerWritten)
        writeHeader();
    m_line.clear();
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (i > 0)
            m_line += u',';
        if (m_columns[i] == Column::Key)
            m_line += QString::number(row.key);
        else if (const FieldValue &value = row.fields[std::size_t(m_columns[i]) - 1])
            appendQuoted(m_line, *value);
    }
    m_line += u"\r\n"_s;
    m_sink << m_line;
}

void CsvWriter::end()
{
    if (!m_headerWritten)
        writeHeader();
}
