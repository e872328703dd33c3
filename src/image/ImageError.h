#pragma once

#include "base/AppError.h"

// What is wrong with a disc image; each kind has its own German message.
enum class ImageFault : unsigned char
{
    Unreadable,
    NotAnImage,
    PastEnd,
    BadRecord,
    Loop,
    SlashOrNul,
    BadName,
    BadDescriptor,
    TooLarge,
    Unsupported,
    NotFound,
    NotADirectory,
};

// A disc image that cannot be read, or a path inside it that names nothing. The reader stops at the
// first fault, so a damaged image never yields part of its listing.
class ImageError final : public AppError
{
public:
    // detail: the system's reason for Unreadable, the path inside the image for NotFound and
    // NotADirectory; unused otherwise.
    explicit ImageError(ImageFault fault, const QString &detail = {});

    ImageFault fault() const noexcept { return m_fault; }

private:
    ImageFault m_fault;
};
