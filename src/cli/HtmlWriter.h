#pragma once

#include "cli/RecordWriter.h"
#include "cli/Texts.h"

#include <optional>

// One self-contained HTML page (inline style, no scripts) with a table per disc, a new one
// whenever the disc changes from one record to the next. The markup is also well-formed XML.
class HtmlWriter final : public RecordWriter
{
public:
    HtmlWriter(TextSink &sink, QList<Column> columns, const Texts &texts);

    void write(const RecordRow &row) override;
    void end() override;

private:
    void beginPage();
    void beginTable(const FieldValue &disc);
    void endTable();

    TextSink &m_sink;
    QList<Column> m_columns;
    Texts m_texts;
    QString m_line;
    bool m_pageBegun = false;
    std::optional<FieldValue> m_disc; // of the open table; none before the first
};

// Appends text with the characters markup gives a meaning escaped. Control characters, which
// neither HTML nor XML allow, appear as their Unicode pictures, a lone surrogate as U+FFFD.
void appendHtmlText(QString &out, QStringView text);
