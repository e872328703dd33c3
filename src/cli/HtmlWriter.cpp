#include "cli/HtmlWriter.h"

#include "cli/TextSink.h"

using namespace Qt::StringLiterals;

namespace {

const QString Style = uR"(body{font-family:sans-serif;margin:1.5em;color:#222;background:#fff}
h1{font-size:1.4em}
h2{font-size:1.15em;margin-top:1.6em}
table{border-collapse:collapse;width:100%}
th,td{border:1px solid #bbb;padding:.2em .45em;text-align:left;vertical-align:top}
th{background:#e8e8e8}
td{white-space:pre-wrap;font-family:monospace}
td.null{background:#f4f4f4}
.unnamed{font-style:italic;color:#666}
)"_s;

// The characters that need a replacement, and what replaces them.
std::optional<QString> replacement(char16_t unit)
{
    switch (unit) {
    case u'&':
        return u"&amp;"_s;
    case u'<':
        return u"&lt;"_s;
    case u'>':
        return u"&gt;"_s;
    case u'"':
        return u"&quot;"_s;
    case u'\'':
        return u"&#39;"_s;
    case u'\t':
    case u'\n':
    case u'\r':
        return std::nullopt;
    case 0x7f:
        return QString(QChar(0x2421));
    default:
        if (unit < 0x20)
            return QString(QChar(0x2400 + unit));
        return std::nullopt;
    }
}

} // namespace

void appendHtmlText(QString &out, QStringView text)
{
    qsizetype plainFrom = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        std::optional<QString> replaced;
        if (QChar::isSurrogate(unit)) {
            if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                QChar::isLowSurrogate(text[i + 1].unicode())) {
                ++i;
                continue;
            }
            replaced = QString(QChar::ReplacementCharacter);
        } else if (unit <= u'>' || unit == 0x7f) {
            replaced = replacement(unit);
        }
        if (!replaced)
            continue;
        out += text.sliced(plainFrom, i - plainFrom);
        out += *replaced;
        plainFrom = i + 1;
    }
    out += text.sliced(plainFrom);
}

HtmlWriter::HtmlWriter(TextSink &sink, QList<Column> columns, const Texts &texts)
    : m_sink(sink), m_columns(std::move(columns)), m_texts(texts)
{}

void HtmlWriter::beginPage()
{
    m_pageBegun = true;
    const QString title = m_texts(u"Tralbo-Katalog"_s, u"Tralbo catalogue"_s);
    m_sink << u"<!DOCTYPE html>\n<html lang=\""_s << (m_texts.german() ? u"de"_s : u"en"_s)
           << u"\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>"_s << title
           << u"</title>\n<style>\n"_s << Style << u"</style>\n</head>\n<body>\n<h1>"_s << title
           << u"</h1>\n"_s;
}

void HtmlWriter::beginTable(const FieldValue &disc)
{
    m_disc = disc;
    m_line = u"<h2>"_s;
    if (disc.value_or(QString()).isEmpty())
        m_line += u"<span class=\"unnamed\">"_s + m_texts(u"(ohne Namen)"_s, u"(no name)"_s) +
                  u"</span>"_s;
    else
        appendHtmlText(m_line, *disc);
    m_line += u"</h2>\n<table>\n<thead><tr>"_s;
    for (const Column column : std::as_const(m_columns))
        m_line += u"<th>"_s + columnName(column) + u"</th>"_s;
    m_line += u"</tr></thead>\n<tbody>\n"_s;
    m_sink << m_line;
}

void HtmlWriter::endTable()
{
    m_sink << u"</tbody>\n</table>\n"_s;
}

void HtmlWriter::write(const RecordRow &row)
{
    if (!m_pageBegun)
        beginPage();
    if (!m_disc || *m_disc != row.fields[0]) {
        if (m_disc)
            endTable();
        beginTable(row.fields[0]);
    }
    m_line = u"<tr>"_s;
    for (const Column column : std::as_const(m_columns)) {
        const FieldValue value = columnValue(row, column);
        if (!value) {
            m_line += u"<td class=\"null\"></td>"_s;
            continue;
        }
        m_line += u"<td>"_s;
        appendHtmlText(m_line, *value);
        m_line += u"</td>"_s;
    }
    m_line += u"</tr>\n"_s;
    m_sink << m_line;
}

void HtmlWriter::end()
{
    if (!m_pageBegun)
        beginPage();
    if (m_disc)
        endTable();
    else
        m_sink << u"<p>"_s << m_texts(u"Keine Datensätze."_s, u"No records."_s) << u"</p>\n"_s;
    m_sink << u"</body>\n</html>\n"_s;
}
