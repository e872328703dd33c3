#include "cli/OutputTarget.h"

#include "base/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The descriptor a name such as "/dev/stdout" or "/proc/self/fd/3" stands for. Reopening such a
// name would truncate what the shell opened for appending, so the descriptor is written itself.
std::optional<int> descriptorNamed(const QString &fileName)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        u"/dev/(?:(stdout)|(stderr)|fd/(\\d+))|/proc/self/fd/(\\d+)"_s));
    const QRegularExpressionMatch match = pattern.match(QDir::cleanPath(fileName));
    if (!match.hasMatch())
        return std::nullopt;
    if (match.hasCaptured(1))
        return STDOUT_FILENO;
    if (match.hasCaptured(2))
        return STDERR_FILENO;
    return (match.hasCaptured(3) ? match.captured(3) : match.captured(4)).toInt();
}

} // namespace

OutputTarget::OutputTarget(TextSink &standardOutput, const QString &fileName, const Texts &texts)
    : m_standardOutput(standardOutput), m_texts(texts), m_fileName(fileName)
{
    if (fileName.isEmpty())
        return;
    m_file = opened(fileName);
    if (m_file)
        m_fileSink.emplace(*m_file);
}

std::unique_ptr<QFileDevice> OutputTarget::opened(const QString &fileName) const
{
    // The sink buffers already; a second buffer would only copy.
    constexpr QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    std::unique_ptr<QFileDevice> file;
    bool isOpen = false;
    if (const std::optional<int> descriptor = descriptorNamed(fileName)) {
        if (*descriptor == STDOUT_FILENO)
            return nullptr;
        auto stream = std::make_unique<QFile>();
        isOpen = stream->open(*descriptor, mode);
        file = std::move(stream);
    } else {
        // A FIFO or a device has no place for a replacement beside it, and replacing a device
        // node would only lose it.
        const QFileInfo existing(fileName);
        if (existing.exists() && !existing.isFile())
            file = std::make_unique<QFile>(fileName);
        else
            file = std::make_unique<QSaveFile>(fileName);
        isOpen = file->open(mode);
    }
    if (!isOpen)
        throw AppError(
            m_texts(u"Datei %1 kann nicht erstellt werden: %2"_s, u"Cannot create file %1: %2"_s)
                .arg(QDir::toNativeSeparators(fileName), file->errorString()));
    return file;
}

void OutputTarget::finish()
{
    if (!m_file)
        return;
    auto *const replacement = qobject_cast<QSaveFile *>(m_file.get());
    const bool written = m_fileSink->flush() &&
                         (replacement ? replacement->commit() : m_file->error() == QFile::NoError);
    if (!written)
        throw AppError(
            m_texts(u"Datei %1 kann nicht geschrieben werden: %2"_s, u"Cannot write file %1: %2"_s)
                .arg(QDir::toNativeSeparators(m_fileName), m_file->errorString()));
}
