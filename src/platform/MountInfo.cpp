#include "platform/MountInfo.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace {

// Fields before the optional ones: id, parent, major:minor, root, mount point, options.
constexpr qsizetype FixedFieldCount = 6;

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// Strict decimal: digits only, small enough for an int, so stray signs or blanks reject the line.
std::optional<int> parseNumber(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

QList<QByteArrayView> splitFields(QByteArrayView line)
{
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    while (true) {
        const qsizetype space = line.indexOf(' ', start);
        if (space < 0) {
            fields.append(line.sliced(start));
            return fields;
        }
        fields.append(line.sliced(start, space - start));
        start = space + 1;
    }
}

std::optional<MountEntry> parseLine(QByteArrayView line)
{
    const QList<QByteArrayView> fields = splitFields(line);
    qsizetype separator = FixedFieldCount;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    // The file-system type, the source and the super options follow the separator.
    if (separator + 4 != fields.size())
        return std::nullopt;

    const qsizetype colon = fields[2].indexOf(':');
    if (colon < 0)
        return std::nullopt;
    const std::optional<int> mountId = parseNumber(fields[0]);
    const std::optional<int> parentId = parseNumber(fields[1]);
    const std::optional<int> major = parseNumber(fields[2].first(colon));
    const std::optional<int> minor = parseNumber(fields[2].sliced(colon + 1));
    if (!mountId || !parentId || !major || !minor)
        return std::nullopt;
    if (fields[3].isEmpty() || fields[4].isEmpty() || fields[separator + 1].isEmpty())
        return std::nullopt;

    MountEntry entry;
    entry.mountId = *mountId;
    entry.parentId = *parentId;
    entry.major = unsigned(*major);
    entry.minor = unsigned(*minor);
    entry.root = unescapeMountField(fields[3]);
    entry.mountPoint = unescapeMountField(fields[4]);
    entry.options = fields[5].toByteArray();
    entry.fileSystem = unescapeMountField(fields[separator + 1]);
    entry.source = unescapeMountField(fields[separator + 2]);
    entry.superOptions = fields[separator + 3].toByteArray();
    return entry;
}

} // namespace

QByteArray unescapeMountField(QByteArrayView field)
{
    QByteArray result;
    result.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3])) {
            result.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                               (field[i + 3] - '0')));
            i += 3;
        } else {
            result.append(field[i]);
        }
    }
    return result;
}

QList<MountEntry> parseMountInfo(QByteArrayView text)
{
    QList<MountEntry> entries;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (const std::optional<MountEntry> entry = parseLine(text.sliced(start, end - start)))
            entries.append(*entry);
        start = end + 1;
    }
    return entries;
}

QList<QByteArray> otherVolumesBelow(const QList<MountEntry> &table, QByteArrayView root)
{
    // Of several mounts on one point, the last one is what a walk sees there.
    QHash<QByteArray, const MountEntry *> topmost;
    for (const MountEntry &entry : table)
        topmost.insert(entry.mountPoint, &entry);
    const auto shownAtRoot = topmost.constFind(root.toByteArray());
    if (shownAtRoot == topmost.constEnd())
        return {};
    const MountEntry &volume = **shownAtRoot;

    const QByteArray prefix = root.endsWith('/') ? root.toByteArray() : root.toByteArray() + '/';
    QList<QByteArray> others;
    for (const MountEntry *entry : std::as_const(topmost)) {
        const QByteArray directory = entry->mountPoint + '/';
        if (directory.size() > prefix.size() && directory.startsWith(prefix) &&
            (entry->major != volume.major || entry->minor != volume.minor))
            others.append(directory);
    }
    std::sort(others.begin(), others.end());
    return others;
}
