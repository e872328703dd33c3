#include "platform/NativePath.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t EscapeBase = 0xDC00;
constexpr char16_t MappedBackslash = 0xF05C;
constexpr char16_t MappedColon = 0xF03A;

// Length of the valid UTF-8 sequence starting at bytes[i], or 0 when it is not valid (overlong
// forms, surrogates and values above U+10FFFF count as invalid).
qsizetype validSequenceLength(QByteArrayView bytes, qsizetype i, char32_t &codePoint)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    qsizetype length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        const unsigned char continuation = at(i + k);
        if ((continuation & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (continuation & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString storableText(QStringView programText)
{
    const auto isStandIn = [](QChar c) {
        return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF;
    };
    if (std::none_of(programText.begin(), programText.end(), isStandIn))
        return programText.toString();
    QString result;
    result.reserve(programText.size());
    for (qsizetype i = 0; i < programText.size();) {
        if (!isStandIn(programText[i])) {
            result += programText[i++];
            continue;
        }
        QByteArray bytes;
        for (; i < programText.size() && isStandIn(programText[i]); ++i)
            bytes += char(programText[i].unicode() - EscapeBase);
        result += decodeText(bytes, SingleByteFallback::Windows1252);
    }
    return result;
}

QString decodeFileName(QByteArrayView bytes)
{
    qsizetype asciiPrefix = 0;
    while (asciiPrefix < bytes.size() && static_cast<unsigned char>(bytes[asciiPrefix]) < 0x80)
        ++asciiPrefix;
    if (asciiPrefix == bytes.size())
        return QString::fromLatin1(bytes.data(), bytes.size());

    QString result = QString::fromLatin1(bytes.data(), asciiPrefix);
    result.reserve(bytes.size());
    for (qsizetype i = asciiPrefix; i < bytes.size();) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            result.append(QChar(char16_t(byte)));
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const qsizetype length = validSequenceLength(bytes, i, codePoint);
        if (length == 0) {
            result.append(QChar(char16_t(EscapeBase + byte)));
            ++i;
            continue;
        }
        const char32_t single[] = {codePoint};
        result.append(QString::fromUcs4(single, 1));
        i += length;
    }
    return result;
}

QByteArray encodeFileName(QStringView name)
{
    QByteArray result;
    result.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (unit < 0x80) {
            result.append(char(unit));
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            result.append(char(unit - EscapeBase));
        } else if (QChar::isHighSurrogate(unit) && i + 1 < name.size() &&
                   QChar::isLowSurrogate(name[i + 1].unicode())) {
            result.append(name.mid(i, 2).toUtf8());
            ++i;
        } else {
            result.append(name.sliced(i, 1).toUtf8());
        }
    }
    return result;
}

QString programName(QByteArrayView nativeName)
{
    QString name = decodeFileName(nativeName);
    name.replace(u'\\', QChar(MappedBackslash));
    name.replace(u':', QChar(MappedColon));
    return name;
}

QByteArray nativeName(QStringView programName)
{
    QString name = programName.toString();
    name.replace(QChar(MappedBackslash), u'\\');
    name.replace(QChar(MappedColon), u':');
    return encodeFileName(name);
}

std::optional<Drive> PathMapper::driveOf(QStringView programPath) const
{
    if (programPath.size() < 2 || programPath[1] != u':' || !programPath[0].isLetter())
        return std::nullopt;
    return m_drives.drive(programPath[0]);
}

std::optional<QByteArray> PathMapper::toNative(QStringView programPath) const
{
    const std::optional<Drive> drive = driveOf(programPath);
    if (!drive || drive->mountPoint.isEmpty())
        return std::nullopt;

    QByteArray native = drive->mountPoint;
    if (!native.endsWith('/'))
        native.append('/');
    QStringView rest = programPath.mid(2);
    while (rest.startsWith(u'\\'))
        rest = rest.mid(1);
    bool first = true;
    for (const QStringView component : rest.split(u'\\')) {
        if (!std::exchange(first, false))
            native.append('/');
        native.append(nativeName(component));
    }
    return native;
}

std::optional<QString> PathMapper::toProgram(QByteArrayView nativePath) const
{
    const Drive *best = nullptr;
    const QList<Drive> drives = m_drives.drives();
    for (const Drive &drive : drives) {
        if (drive.mountPoint.isEmpty())
            continue;
        QByteArrayView root(drive.mountPoint);
        if (root.endsWith('/') && root.size() > 1)
            root.chop(1);
        const bool inside = root == "/" ? nativePath.startsWith('/')
                                        : nativePath == root || (nativePath.startsWith(root) &&
                                                                 nativePath[root.size()] == '/');
        if (inside && (!best || drive.mountPoint.size() > best->mountPoint.size()))
            best = &drive;
    }
    if (!best)
        return std::nullopt;

    QByteArrayView root(best->mountPoint);
    while (root.endsWith('/'))
        root.chop(1);
    QByteArrayView rest = nativePath.sliced(root.size());
    while (rest.startsWith('/'))
        rest = rest.sliced(1);
    QString program = QString(best->letter) + u":\\"_s;
    for (qsizetype start = 0;;) {
        const qsizetype end = rest.indexOf('/', start);
        program.append(programName(rest.sliced(start, (end < 0 ? rest.size() : end) - start)));
        if (end < 0)
            return program;
        program.append(u'\\');
        start = end + 1;
    }
}
