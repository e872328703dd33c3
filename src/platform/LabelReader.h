#pragma once

#include <QByteArray>
#include <QString>

// Reads the volume label of a block device; tests answer from a table.
class LabelReader
{
public:
    virtual ~LabelReader() = default;

    // The label recorded on the medium, empty when there is none or it cannot be read. Must not
    // block on a drive without a medium.
    virtual QString label(const QByteArray &devicePath, int major, int minor) const = 0;
};
