#pragma once

#include <QString>

// Upper-cases only the letters a to z: the letter case that disc names, extensions and tree paths
// ignore, as the target drives did.
constexpr char16_t upperAsciiUnit(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - (u'a' - u'A')) : unit;
}

// The text with only its letters a to z upper-cased; other characters stay as they are.
QString upperAscii(QStringView text);
