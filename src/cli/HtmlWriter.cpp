#include "cli/HtmlWriter.h"

#include "base/AppError.h"

#include <QDir>
#include <QStringDecoder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString Style = uR"(body{font-family:sans-serif;margin:1.5em;color:#222;background:#fff}
h1{font-size:1.4em}
h2{font-size:1.15em;margin-top:1.6em}
.toc{columns:16em;margin:0;padding-left:1.5em}
.rows{content-visibility:auto;contain-intrinsic-size:auto 20em}
table{border-collapse:collapse;width:100%;table-layout:fixed}
th,td{border:1px solid #bbb;padding:.2em .45em;text-align:left;vertical-align:top}
th{background:#e8e8e8}
th.key{width:5em}
th.disc{width:9em}
td{white-space:pre-wrap;overflow-wrap:anywhere;font-family:monospace}
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

// The anchor of the section at a position, counted from 1: unique and plain whatever the disc's
// name holds, even when two names differ only in characters an id could not keep.
QString sectionId(qsizetype position)
{
    return u"cd-"_s + QString::number(position);
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
    : m_sink(sink), m_columns(std::move(columns)), m_texts(texts),
      m_sectionsFile(QDir::temp().filePath(u"tralbo-html-XXXXXX"_s))
{
    if (!m_sectionsFile.open())
        throw AppError(
            m_texts(u"Datei %1 kann nicht erstellt werden: %2"_s, u"Cannot create file %1: %2"_s)
                .arg(QDir::toNativeSeparators(m_sectionsFile.fileTemplate()),
                     m_sectionsFile.errorString()));
    m_sections.emplace(m_sectionsFile);
    // The key and the disc are short; the fixed layout gives every table of a disc the same
    // columns without measuring their cells.
    m_tableHead = u"<thead><tr>"_s;
    for (const Column column : std::as_const(m_columns)) {
        m_tableHead += column == Column::Key    ? u"<th class=\"key\">"_s
                       : column == Column::Disc ? u"<th class=\"disc\">"_s
                                                : u"<th>"_s;
        m_tableHead += columnName(column) + u"</th>"_s;
    }
    m_tableHead += u"</tr></thead>\n<tbody>\n"_s;
}

void HtmlWriter::appendDiscName(QString &out, const FieldValue &disc) const
{
    if (disc.value_or(QString()).isEmpty())
        out += u"<span class=\"unnamed\">"_s + m_texts(u"(ohne Namen)"_s, u"(no name)"_s) +
               u"</span>"_s;
    else
        appendHtmlText(out, *disc);
}

void HtmlWriter::beginSection(const FieldValue &disc)
{
    endChunk();
    if (!m_discs.isEmpty())
        *m_sections << u"</section>\n"_s;
    m_discs.append(disc);
    QString line = u"<section id=\""_s + sectionId(m_discs.size()) + u"\">\n<h2>"_s;
    appendDiscName(line, disc);
    line += u"</h2>\n"_s;
    *m_sections << line;
}

void HtmlWriter::endChunk()
{
    if (m_chunkRows == 0)
        return;
    // The height the table takes until it is first shown: about an em per line of text, wrapped
    // lines not counted. It keeps the scroll bar near the truth.
    const int estimate = 2 + m_chunkLines + m_chunkRows / 2;
    *m_sections << u"<div class=\"rows\" style=\"contain-intrinsic-size:auto %1em\">\n<table>\n"_s
                       .arg(estimate)
                << m_tableHead << m_chunk << u"</tbody>\n</table>\n</div>\n"_s;
    m_chunk.resize(0);
    m_chunkRows = 0;
    m_chunkLines = 0;
}

void HtmlWriter::write(const RecordRow &row)
{
    if (m_discs.isEmpty() || m_discs.constLast() != row.fields[0])
        beginSection(row.fields[0]);
    int rowLines = 1;
    m_chunk += u"<tr>"_s;
    for (const Column column : std::as_const(m_columns)) {
        const FieldValue value = columnValue(row, column);
        if (!value) {
            m_chunk += u"<td class=\"null\"></td>"_s;
            continue;
        }
        m_chunk += u"<td>"_s;
        appendHtmlText(m_chunk, *value);
        m_chunk += u"</td>"_s;
        rowLines = std::max(rowLines, int(value->count(u'\n')) + 1);
    }
    m_chunk += u"</tr>\n"_s;
    m_chunkLines += rowLines;
    if (++m_chunkRows == ChunkRows)
        endChunk();
}

void HtmlWriter::writeHead()
{
    const QString title = m_texts(u"Tralbo-Katalog"_s, u"Tralbo catalogue"_s);
    m_sink << u"<!DOCTYPE html>\n<html lang=\""_s << (m_texts.german() ? u"de"_s : u"en"_s)
           << u"\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>"_s << title
           << u"</title>\n<style>\n"_s << Style << u"</style>\n</head>\n<body>\n<h1>"_s << title
           << u"</h1>\n"_s;
}

void HtmlWriter::writeContents()
{
    QString list =
        u"<nav aria-label=\""_s + m_texts(u"CDs"_s, u"Discs"_s) + u"\">\n<ul class=\"toc\">\n"_s;
    for (qsizetype position = 1; position <= m_discs.size(); ++position) {
        list += u"<li><a href=\"#"_s + sectionId(position) + u"\">"_s;
        appendDiscName(list, m_discs[position - 1]);
        list += u"</a></li>\n"_s;
    }
    list += u"</ul>\n</nav>\n"_s;
    m_sink << list;
}

void HtmlWriter::copySections()
{
    if (!m_sections->flush() || !m_sectionsFile.seek(0))
        throw AppError(
            m_texts(u"Datei %1 kann nicht geschrieben werden: %2"_s, u"Cannot write file %1: %2"_s)
                .arg(QDir::toNativeSeparators(m_sectionsFile.fileName()),
                     m_sectionsFile.errorString()));
    // Decoded with state, so that a character cut at a block's end comes whole with the next.
    QStringDecoder decoder(QStringDecoder::Utf8);
    while (!m_sectionsFile.atEnd()) {
        const QByteArray block = m_sectionsFile.read(1 << 20);
        if (block.isEmpty())
            throw AppError(
                m_texts(u"Datei %1 kann nicht gelesen werden: %2"_s, u"Cannot read file %1: %2"_s)
                    .arg(QDir::toNativeSeparators(m_sectionsFile.fileName()),
                         m_sectionsFile.errorString()));
        m_sink << QString(decoder(block));
    }
}

void HtmlWriter::end()
{
    endChunk();
    if (!m_discs.isEmpty())
        *m_sections << u"</section>\n"_s;
    writeHead();
    if (m_discs.isEmpty()) {
        m_sink << u"<p>"_s << m_texts(u"Keine Datensätze."_s, u"No records."_s) << u"</p>\n"_s;
    } else {
        writeContents();
        copySections();
    }
    m_sink << u"</body>\n</html>\n"_s;
}
