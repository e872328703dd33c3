#pragma once

#include "cli/RecordWriter.h"
#include "cli/Texts.h"
#include "cli/TextSink.h"

#include <QTemporaryFile>

#include <optional>

// One self-contained HTML page (inline style, no scripts): a list of links to the discs at the
// top, then a section per disc, a new one whenever the disc changes from one record to the next.
// A section's records come in tables of at most ChunkRows rows that the browser lays out only
// when they come into view, so that its first screen does not wait for the layout of the rest.
// The markup is also well-formed XML.
class HtmlWriter final : public RecordWriter
{
public:
    static constexpr int ChunkRows = 250;

    // Throws AppError when the temporary file for the sections cannot be made.
    HtmlWriter(TextSink &sink, QList<Column> columns, const Texts &texts);

    void write(const RecordRow &row) override;
    // Throws AppError when the sections could not be kept until the end.
    void end() override;

private:
    void appendDiscName(QString &out, const FieldValue &disc) const;
    void beginSection(const FieldValue &disc);
    void endChunk();
    void writeHead();
    void writeContents();
    void copySections();

    TextSink &m_sink;
    QList<Column> m_columns;
    Texts m_texts;
    // The links at the top need every disc, so the sections wait in a file until the end.
    QTemporaryFile m_sectionsFile;
    std::optional<TextSink> m_sections;
    QList<FieldValue> m_discs; // one per section, in order; the position makes the anchor
    QString m_tableHead;
    QString m_chunk; // the rows of the table being filled
    int m_chunkRows = 0;
    int m_chunkLines = 0;
};

// Appends text with the characters markup gives a meaning escaped. Control characters, which
// neither HTML nor XML allow, appear as their Unicode pictures, a lone surrogate as U+FFFD.
void appendHtmlText(QString &out, QStringView text);
