#pragma once

#include <QString>
#include <QStringView>

// One line of an archive listing, whatever the archive's format: "NAME 0001234 Byte ", the
// uncompressed size with at least seven digits.
QString memberLine(QStringView name, quint64 size);
