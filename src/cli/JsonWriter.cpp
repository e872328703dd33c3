#include "cli/JsonWriter.h"

#include "cli/TextSink.h"

using namespace Qt::StringLiterals;

namespace {

void appendEscape(QString &out, char16_t unit)
{
    switch (unit) {
    case u'"':
        out += u"\\\""_s;
        return;
    case u'\\':
        out += u"\\\\"_s;
        return;
    case u'\n':
        out += u"\\n"_s;
        return;
    case u'\r':
        out += u"\\r"_s;
        return;
    case u'\t':
        out += u"\\t"_s;
        return;
    default:
        out += u"\\u"_s + QString::number(unit, 16).rightJustified(4, u'0');
    }
}

} // namespace

void appendJsonString(QString &out, QStringView text)
{
    out += u'"';
    qsizetype plainFrom = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        bool escaped = unit < 0x20 || unit == u'"' || unit == u'\\';
        if (QChar::isSurrogate(unit)) {
            const bool paired = QChar::isHighSurrogate(unit) && i + 1 < size &&
                                QChar::isLowSurrogate(text[i + 1].unicode());
            if (paired) {
                ++i;
                continue;
            }
            escaped = true;
        }
        if (!escaped)
            continue;
        out += text.sliced(plainFrom, i - plainFrom);
        appendEscape(out, unit);
        plainFrom = i + 1;
    }
    out += text.sliced(plainFrom);
    out += u'"';
}

JsonWriter::JsonWriter(TextSink &sink, QList<Column> columns)
    : m_sink(sink), m_columns(std::move(columns))
{
    for (const Column column : std::as_const(m_columns)) {
        QString key;
        appendJsonString(key, columnName(column));
        m_keys.append(key + u':');
    }
}

void JsonWriter::write(const RecordRow &row)
{
    m_line = m_first ? u"[\n{"_s : u",\n{"_s;
    m_first = false;
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (i > 0)
            m_line += u',';
        m_line += m_keys[i];
        if (m_columns[i] == Column::Key)
            m_line += QString::number(row.key);
        else if (const FieldValue &value = row.fields[std::size_t(m_columns[i]) - 1])
            appendJsonString(m_line, *value);
        else
            m_line += u"null"_s;
    }
    m_line += u'}';
    m_sink << m_line;
}

void JsonWriter::end()
{
    m_sink << (m_first ? u"[]\n"_s : u"\n]\n"_s);
}
