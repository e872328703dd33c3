#include "cli/OutputTarget.h"

#include "base/AppError.h"

#include <QDir>

using namespace Qt::StringLiterals;

OutputTarget::OutputTarget(TextSink &standardOutput, const QString &fileName, const Texts &texts)
    : m_standardOutput(standardOutput), m_texts(texts)
{
    if (fileName.isEmpty())
        return;
    m_file.emplace(fileName);
    // The sink buffers already; a second buffer would only copy.
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw AppError(
            m_texts(u"Datei %1 kann nicht erstellt werden: %2"_s, u"Cannot create file %1: %2"_s)
                .arg(QDir::toNativeSeparators(fileName), m_file->errorString()));
    m_fileSink.emplace(*m_file);
}

void OutputTarget::finish()
{
    if (!m_file)
        return;
    if (!m_fileSink->flush() || !m_file->commit())
        throw AppError(
            m_texts(u"Datei %1 kann nicht geschrieben werden: %2"_s, u"Cannot write file %1: %2"_s)
                .arg(QDir::toNativeSeparators(m_file->fileName()), m_file->errorString()));
}
