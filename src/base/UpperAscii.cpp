#include "base/UpperAscii.h"

QString upperAscii(QStringView text)
{
    QString result = text.toString();
    for (QChar &character : result)
        character = QChar(upperAsciiUnit(character.unicode()));
    return result;
}
