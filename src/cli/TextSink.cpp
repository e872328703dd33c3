#include "cli/TextSink.h"

#include <QIODevice>

namespace {

// Large enough that writes are few, small enough to stay in the caches.
constexpr qsizetype BufferSize = 1 << 20;

} // namespace

TextSink::TextSink(QIODevice &device)
    : m_device(device), m_encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless),
      m_buffer(BufferSize, Qt::Uninitialized)
{}

TextSink &TextSink::operator<<(QStringView text)
{
    const qsizetype needed = m_encoder.requiredSpace(text.size());
    if (m_used + needed > m_buffer.size()) {
        flush();
        if (needed > m_buffer.size())
            m_buffer.resize(needed);
    }
    char *const start = m_buffer.data() + m_used;
    m_used += m_encoder.appendToBuffer(start, text) - start;
    return *this;
}

bool TextSink::flush()
{
    if (m_used > 0 && m_device.write(m_buffer.constData(), m_used) != m_used)
        m_failed = true;
    m_used = 0;
    return !m_failed;
}
