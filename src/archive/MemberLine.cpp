#include "archive/MemberLine.h"

#include <algorithm>
#include <array>

QString memberLine(QStringView name, quint64 size)
{
    constexpr qsizetype MinDigits = 7;
    std::array<char16_t, 20> digits;
    qsizetype first = qsizetype(digits.size());
    do {
        digits[--first] = char16_t(u'0' + size % 10);
        size /= 10;
    } while (size != 0);
    const qsizetype count = qsizetype(digits.size()) - first;

    QString line;
    line.reserve(name.size() + std::max(count, MinDigits) + 6);
    line.append(name).append(u' ');
    for (qsizetype pad = count; pad < MinDigits; ++pad)
        line.append(u'0');
    line.append(QStringView(digits.data() + first, count)).append(u" Byte ");
    return line;
}
