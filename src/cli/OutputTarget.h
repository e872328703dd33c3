#pragma once

#include "cli/Texts.h"
#include "cli/TextSink.h"

#include <QFileDevice>

#include <memory>
#include <optional>

// Where a command writes its records: the tool's standard output, or the file given with -o.
// A regular file appears whole, replacing an older one, only once everything is written; a pipe,
// a device or a descriptor name ("/dev/stdout", "/dev/fd/3") is written into as it stands.
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
    // The file of -o, or nullptr for a descriptor that is the tool's own standard output.
    std::unique_ptr<QFileDevice> opened(const QString &fileName) const;

    TextSink &m_standardOutput;
    Texts m_texts;
    QString m_fileName;
    std::unique_ptr<QFileDevice> m_file;
    std::optional<TextSink> m_fileSink;
};
