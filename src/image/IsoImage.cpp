#include "image/IsoImage.h"

#include "image/ImageBytes.h"
#include "image/ImageError.h"
#include "image/ImageSectors.h"
#include "image/RockRidge.h"

#include <QStringDecoder>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Volume descriptors Linux looks at before it gives up on finding the terminator.
constexpr quint64 MaxDescriptors = 100;
constexpr qsizetype RecordHeader = 33;
constexpr qsizetype RootRecordOffset = 156;
constexpr quint8 DirectoryFlag = 0x02;
constexpr quint8 AssociatedFlag = 0x04;
constexpr quint8 NotFinalFlag = 0x80;
// No real directory comes near this; a larger one is a damaged size field.
constexpr quint64 MaxDirectoryBytes = 64 * 1024 * 1024;

struct Record
{
    QByteArrayView bytes;

    quint8 flags() const { return quint8(bytes[25]); }
    QByteArrayView name() const { return bytes.sliced(RecordHeader, quint8(bytes[32])); }
    quint64 firstSector() const { return quint64(le32(bytes, 2)) + quint8(bytes[1]); }
    quint64 size() const { return le32(bytes, 10); }
    bool isInterleaved() const { return bytes[26] != 0; }
    bool isDotOrDotDot() const
    {
        const QByteArrayView raw = name();
        return raw.size() == 1 && (raw[0] == 0 || raw[0] == 1);
    }
    // The system use area after the name, padded to an even offset.
    QByteArrayView systemUse(int skip) const
    {
        const qsizetype start = (RecordHeader + name().size() + 1) & ~qsizetype(1);
        return start + skip < bytes.size() ? bytes.sliced(start + skip) : QByteArrayView();
    }
};

// A record's length and name length must fit inside the record and the directory.
Record recordAt(QByteArrayView directory, qsizetype at)
{
    const qsizetype length = quint8(directory[at]);
    if (length < RecordHeader || length > directory.size() - at)
        throw ImageError(ImageFault::BadRecord);
    const Record record{directory.sliced(at, length)};
    if (RecordHeader + quint8(record.bytes[32]) > length)
        throw ImageError(ImageFault::BadRecord);
    return record;
}

void checkName(QByteArrayView name)
{
    if (name.contains('/') || name.contains('\0'))
        throw ImageError(ImageFault::SlashOrNul);
    if (name == "." || name == "..")
        throw ImageError(ImageFault::BadName);
}

// isofs with map=normal: lower case, ";1" (and a "." before it) dropped, other ";" as ".".
QByteArray isoName(QByteArrayView raw)
{
    checkName(raw);
    QByteArray name;
    const qsizetype length = raw.size();
    for (qsizetype i = 0; i < length; ++i) {
        char c = raw[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c | 0x20);
        if (c == '.' && i == length - 3 && raw[i + 1] == ';' && raw[i + 2] == '1')
            break;
        if (c == ';' && i == length - 2 && raw[i + 1] == '1')
            break;
        name += c == ';' ? '.' : c;
    }
    return name;
}

QString utf16BigEndian(QByteArrayView raw)
{
    QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
    QString text = decoder(raw.first(raw.size() & ~qsizetype(1)));
    if (decoder.hasError())
        throw ImageError(ImageFault::BadName);
    return text;
}

// isofs's Joliet names: UTF-8, ";1" dropped, then every trailing "." but the first character.
QByteArray jolietName(QByteArrayView raw)
{
    const QString text = utf16BigEndian(raw);
    if (text.contains(u'/') || text.contains(QChar(0)))
        throw ImageError(ImageFault::SlashOrNul);
    QByteArray name = text.toUtf8();
    if (name.size() > 2 && name.endsWith(";1"))
        name.chop(2);
    while (name.size() >= 2 && name.endsWith('.'))
        name.chop(1);
    if (name == "." || name == "..")
        throw ImageError(ImageFault::BadName);
    return name;
}

// blkid hands on the primary label's bytes as they are, so UTF-8 ones show as such.
QString bytesAsText(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return decoder.hasError() ? QString::fromLatin1(bytes) : text;
}

QString trimmedLabel(QString text)
{
    while (text.endsWith(u' ') || text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

ImageContent contentOf(const ImageSectors &sectors, quint64 firstSector, quint64 size)
{
    ImageContent content;
    content.size = size;
    if (size > 0) {
        sectors.checkRange(firstSector,
                           (size + ImageSectors::SectorSize - 1) / ImageSectors::SectorSize);
        content.runs.append({firstSector, size, false});
    }
    return content;
}

QByteArray directoryBytes(const ImageSectors &sectors, const ImageContent &content)
{
    if (content.size > MaxDirectoryBytes)
        throw ImageError(ImageFault::TooLarge);
    if (content.runs.isEmpty())
        return {};
    const ImageContent::Run &run = content.runs.constFirst();
    return sectors
        .read(run.firstSector,
              (run.length + ImageSectors::SectorSize - 1) / ImageSectors::SectorSize)
        .first(qsizetype(run.length));
}

} // namespace

struct IsoImage::Volume
{
    QString label;
    Node root;
    bool joliet = false;
    int suspSkip = 0;
};

IsoImage::IsoImage(std::shared_ptr<const ImageSectors> sectors)
    : IsoImage(sectors, readVolume(*sectors))
{}

IsoImage::IsoImage(std::shared_ptr<const ImageSectors> sectors, Volume volume)
    : DiscImage(std::move(sectors), std::move(volume.label), std::move(volume.root)),
      m_joliet(volume.joliet), m_suspSkip(volume.suspSkip)
{}

// isofs takes the primary tree with Rock Ridge when the root's "." record carries an ER entry,
// else the Joliet tree if there is one; without either it still reads Rock Ridge names where
// records have them.
IsoImage::Volume IsoImage::readVolume(const ImageSectors &sectors)
{
    QByteArray primary;
    QByteArray joliet;
    for (quint64 sector = ImageSectors::FirstDescriptorSector;
         sector < ImageSectors::FirstDescriptorSector + MaxDescriptors && sector < sectors.count();
         ++sector) {
        const QByteArray descriptor = sectors.read(sector, 1);
        if (descriptor.sliced(1, 5) != "CD001" || quint8(descriptor[0]) == 255)
            break;
        if (descriptor[0] == 1 && primary.isEmpty())
            primary = descriptor;
        const QByteArrayView escape = QByteArrayView(descriptor).sliced(88, 3);
        if (descriptor[0] == 2 && joliet.isEmpty() &&
            (escape == "%/@" || escape == "%/C" || escape == "%/E"))
            joliet = descriptor;
    }
    if (primary.isEmpty())
        throw ImageError(ImageFault::NotAnImage);
    if (le16(primary, 128) != ImageSectors::SectorSize)
        throw ImageError(ImageFault::Unsupported);

    Volume volume;
    const QString primaryLabel = trimmedLabel(bytesAsText(QByteArrayView(primary).sliced(40, 32)));
    const QString jolietLabel =
        joliet.isEmpty() ? QString()
                         : trimmedLabel(utf16BigEndian(QByteArrayView(joliet).sliced(40, 32)));
    volume.label = jolietLabel.size() > primaryLabel.size() ? jolietLabel : primaryLabel;

    const auto rootOf = [&sectors](const QByteArray &descriptor) {
        const Record record = recordAt(QByteArrayView(descriptor).sliced(RootRecordOffset, 34), 0);
        Node root;
        root.entry.kind = ImageEntry::Kind::Directory;
        root.location = record.firstSector();
        root.content = contentOf(sectors, record.firstSector(), record.size());
        return root;
    };
    volume.root = rootOf(primary);
    const QByteArray rootDirectory = directoryBytes(sectors, volume.root.content);
    const RockRidge rootDot =
        rootDirectory.isEmpty() ? RockRidge()
                                : RockRidge::read(sectors, recordAt(rootDirectory, 0).systemUse(0));
    volume.suspSkip = rootDot.skip.value_or(0);
    if (!rootDot.announced && !joliet.isEmpty()) {
        volume.root = rootOf(joliet);
        volume.joliet = true;
    }
    return volume;
}

QList<DiscImage::Node> IsoImage::childNodes(const Node &directory)
{
    const QByteArray bytes = directoryBytes(sectors(), directory.content);
    QList<Node> children;
    // Sections of a file recorded in more than one extent, up to its last record.
    QList<ImageContent::Run> sections;
    quint64 sectionsSize = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (bytes[at] == 0) {
            at = (at / qsizetype(ImageSectors::SectorSize) + 1) * ImageSectors::SectorSize;
            continue;
        }
        const Record record = recordAt(bytes, at);
        at += record.bytes.size();
        const ImageContent part = contentOf(sectors(), record.firstSector(), record.size());
        if (record.flags() & NotFinalFlag) {
            sections += part.runs;
            sectionsSize += part.size;
            continue;
        }
        if (record.isDotOrDotDot() || (record.flags() & AssociatedFlag)) {
            sections.clear();
            sectionsSize = 0;
            continue;
        }

        Node child;
        child.location = record.firstSector();
        child.content = part;
        child.content.runs = sections + part.runs;
        child.content.size = sectionsSize + part.size;
        sections.clear();
        sectionsSize = 0;
        // Linux does not read interleaved files and shows them empty.
        if (record.isInterleaved())
            child.content = {};
        child.entry.kind =
            record.flags() & DirectoryFlag ? ImageEntry::Kind::Directory : ImageEntry::Kind::File;
        child.entry.modified = isoRecordTime(record.bytes.sliced(18, 7));

        RockRidge rock;
        if (!m_joliet)
            rock = RockRidge::read(sectors(), record.systemUse(m_suspSkip));
        if (rock.relocated)
            continue;
        if (!rock.name.isEmpty()) {
            checkName(rock.name);
            child.entry.name = rock.name;
        } else {
            child.entry.name = m_joliet ? jolietName(record.name()) : isoName(record.name());
        }
        // Linux shows no entry for an empty name.
        if (child.entry.name.isEmpty())
            continue;
        if (rock.modified.isValid())
            child.entry.modified = rock.modified;
        if (rock.mode) {
            const quint32 type = *rock.mode & S_IFMT;
            child.entry.kind = type == S_IFDIR   ? ImageEntry::Kind::Directory
                               : type == S_IFLNK ? ImageEntry::Kind::Symlink
                                                 : ImageEntry::Kind::File;
        }
        if (rock.childLink) {
            // The directory itself sits elsewhere; its "." record gives its extent and size.
            const QByteArray target = sectors().read(*rock.childLink, 1);
            const Record dot = recordAt(target, 0);
            child.entry.kind = ImageEntry::Kind::Directory;
            child.location = dot.firstSector();
            child.content = contentOf(sectors(), dot.firstSector(), dot.size());
        }
        child.entry.size = child.content.size;
        if (child.entry.kind == ImageEntry::Kind::Symlink) {
            child.entry.size = rock.linkSize.value_or(0);
            child.content = {};
        }
        children.append(std::move(child));
    }
    return children;
}
