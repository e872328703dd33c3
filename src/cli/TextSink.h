#pragma once

#include <QByteArray>
#include <QStringConverter>
#include <QStringView>

class QIODevice;

// Text going out as UTF-8 through one large buffer: however many small pieces the writers hand
// in, the device sees few big writes, and no piece is allocated on its way.
class TextSink final
{
public:
    explicit TextSink(QIODevice &device);
    Q_DISABLE_COPY_MOVE(TextSink)

    TextSink &operator<<(QStringView text);
    TextSink &operator<<(const QString &text) { return *this << QStringView(text); }
    TextSink &operator<<(QChar character) { return *this << QStringView(&character, 1); }
    TextSink &operator<<(char16_t character) { return *this << QChar(character); }

    // Hands everything written so far to the device; false once anything could not be written.
    bool flush();

private:
    QIODevice &m_device;
    QStringEncoder m_encoder;
    QByteArray m_buffer;
    qsizetype m_used = 0;
    bool m_failed = false;
};
