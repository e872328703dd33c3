#pragma once

#include <QString>
#include <QVariant>

#include <array>
#include <optional>

using FieldValue = std::optional<QString>;         // std::nullopt: the no-value marker (NULL)
using CatalogueRecord = std::array<FieldValue, 5>; // field positions 0..4

// A field value as Qt's driver binds it: NULL for the no-value marker, else text (an empty text
// even when the QString is null, which the driver would otherwise bind as NULL).
QVariant boundValue(const FieldValue &value);
// A value read through Qt's driver: SQL NULL becomes the no-value marker.
FieldValue fieldValue(const QVariant &value);

// The path as the file-name search compares it: upper-cased by the same Unicode rules as the
// upper() the program gives SQLite. A server catalogue stores it beside the path.
FieldValue upperPath(const FieldValue &path);
