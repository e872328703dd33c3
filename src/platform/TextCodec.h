#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Text from discs and from older installations is UTF-8 when it is valid UTF-8; otherwise it is
// taken in the single-byte code page of its era.
enum class SingleByteFallback
{
    Cp437,
    Windows1252
};

QString decodeText(QByteArrayView bytes, SingleByteFallback fallback);
