#pragma once

#include "cli/Texts.h"
#include "cli/TextSink.h"

#include <QSaveFile>

#include <optional>

// Where a command writes its records: the tool's standard output, or the file given with -o,
// which appears whole, replacing an older one, only once everything is written.
class OutputTarget final
{
public:
    // An empty file name means standard output. Throws AppError when the file cannot be made.
    OutputTarget(TextSink &standardOutput, const QString &fileName, const Texts &texts);
    Q_DISABLE_COPY_MOVE(OutputTarget)

    TextSink &sink() { return m_file ? *m_fileSink : m_standardOutput; }
    // Throws AppError when not everything could be written.
    void finish();

private:
    TextSink &m_standardOutput;
    Texts m_texts;
    std::optional<QSaveFile> m_file;
    std::optional<TextSink> m_fileSink;
};
