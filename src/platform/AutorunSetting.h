#pragma once

#include <optional>

// The desktop's switch "never run programs from inserted media". Errors are AppError with the
// setting's name.
class AutorunSetting
{
public:
    virtual ~AutorunSetting() = default;

    // The switch's state; none when the desktop offers no such switch.
    virtual std::optional<bool> readNever() const = 0;
    // Sets the switch and writes it through at once; does nothing when there is no switch.
    virtual void writeNever(bool never) = 0;
};
