#pragma once

#include "base/AppError.h"

// Input the tool cannot work with: an unknown command or option, a missing value, a catalogue
// that is not there or is none, a disc the catalogue does not know. Ends the tool with exit code
// 2; the message is in the user's language.
class UsageError final : public AppError
{
public:
    using AppError::AppError;
};
