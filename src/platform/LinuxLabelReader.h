#pragma once

#include "platform/LabelReader.h"

#include <QByteArrayView>

// Volume labels from udev's database, then /dev/disk/by-label, then a libblkid probe of the device.
class LinuxLabelReader final : public LabelReader
{
public:
    QString label(const QByteArray &devicePath, int major, int minor) const override;
};

// Undoes udev's "\xNN" escapes, as found in ID_FS_LABEL_ENC and in /dev/disk/by-label names.
QByteArray decodeUdevEscapes(QByteArrayView encoded);
