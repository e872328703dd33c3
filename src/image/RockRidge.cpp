#include "image/RockRidge.h"

#include "image/ImageBytes.h"
#include "image/ImageError.h"
#include "image/ImageSectors.h"

namespace {

// Linux gives up on a record after this many continuation areas.
constexpr int MaxContinuations = 32;
// Linux stops adding NM pieces once the name would reach this length.
constexpr qsizetype MaxNameLength = 254;
constexpr quint32 LongFormFlag = 0x80;
constexpr quint32 CreationFlag = 0x01;
constexpr quint32 ModifyFlag = 0x02;

constexpr quint16 signature(char first, char second)
{
    return quint16(quint8(first) << 8 | quint8(second));
}

void readName(QByteArrayView entry, RockRidge &rock, bool &truncated)
{
    if (truncated || entry.size() < 5)
        return;
    const quint8 flags = quint8(entry[4]);
    // "." and ".." or flags Linux does not know: the piece is ignored.
    if (flags & ~1U)
        return;
    const QByteArrayView piece = entry.sliced(5);
    if (rock.name.size() + piece.size() >= MaxNameLength) {
        truncated = true;
        return;
    }
    rock.name += piece;
}

// Adds the length Linux gives a link target for one SL entry (components joined by "/").
void readLink(QByteArrayView entry, RockRidge &rock)
{
    quint64 size = rock.linkSize.value_or(0);
    if (entry.size() < 5)
        return;
    const bool continued = quint8(entry[4]) & 1;
    qsizetype at = 5;
    while (entry.size() - at > 1) {
        const quint8 flags = quint8(entry[at]);
        const quint8 length = quint8(entry[at + 1]);
        bool root = false;
        switch (flags & ~1U) {
        case 0:
            size += length;
            break;
        case 2:
            size += 1;
            break;
        case 4:
            size += 2;
            break;
        case 8:
            root = true;
            size += 1;
            break;
        default:
            break;
        }
        at += length + 2;
        if (entry.size() - at < 2) {
            if (continued && !(flags & 1))
                size += 1;
            break;
        }
        if (!root && !(flags & 1))
            size += 1;
    }
    rock.linkSize = size;
}

void readTimes(QByteArrayView entry, RockRidge &rock)
{
    if (entry.size() < 5)
        return;
    const quint32 flags = quint8(entry[4]);
    if (!(flags & ModifyFlag))
        return;
    const qsizetype width = flags & LongFormFlag ? 17 : 7;
    const qsizetype at = 5 + (flags & CreationFlag ? width : 0);
    if (entry.size() < at + width)
        return;
    const QByteArrayView stamp = entry.sliced(at, width);
    if (width == 7) {
        rock.modified = isoRecordTime(stamp);
        return;
    }
    // The long form: "YYYYMMDDHHMMSScc" in digits, then the offset in quarter hours.
    const auto number = [&stamp](qsizetype from, qsizetype length) {
        return stamp.sliced(from, length).toByteArray().toInt();
    };
    const int offset = qint8(stamp[16]);
    rock.modified = utcTime(number(0, 4), number(4, 2), number(6, 2), number(8, 2), number(10, 2),
                            number(12, 2), offset >= -52 && offset <= 52 ? offset * 15 : 0);
}

} // namespace

RockRidge RockRidge::read(const ImageSectors &sectors, QByteArrayView area)
{
    RockRidge rock;
    bool nameTruncated = false;
    QByteArray continuation;
    for (int continuations = 0;; ++continuations) {
        std::optional<QByteArray> next;
        while (area.size() >= 4) {
            const qsizetype length = quint8(area[2]);
            if (length < 4 || length > area.size())
                break;
            const QByteArrayView entry = area.first(length);
            area = area.sliced(length);
            switch (signature(entry[0], entry[1])) {
            case signature('N', 'M'):
                readName(entry, rock, nameTruncated);
                break;
            case signature('R', 'E'):
                rock.relocated = true;
                break;
            case signature('C', 'L'):
                if (length >= 8)
                    rock.childLink = le32(entry, 4);
                break;
            case signature('P', 'X'):
                if (length >= 8)
                    rock.mode = le32(entry, 4);
                break;
            case signature('S', 'L'):
                readLink(entry, rock);
                break;
            case signature('T', 'F'):
                readTimes(entry, rock);
                break;
            case signature('S', 'P'):
                if (length >= 7 && quint8(entry[4]) == 0xbe && quint8(entry[5]) == 0xef)
                    rock.skip = quint8(entry[6]);
                break;
            case signature('E', 'R'):
                rock.announced = true;
                break;
            case signature('C', 'E'):
                if (length >= 28) {
                    const quint32 block = le32(entry, 4);
                    const quint32 offset = le32(entry, 12);
                    const quint32 size = le32(entry, 20);
                    if (offset > ImageSectors::SectorSize ||
                        size > ImageSectors::SectorSize - offset)
                        throw ImageError(ImageFault::BadRecord);
                    next = sectors.read(block, 1).mid(offset, size);
                }
                break;
            case signature('S', 'T'):
                area = {};
                break;
            default:
                break;
            }
        }
        if (!next)
            return rock;
        if (continuations == MaxContinuations)
            throw ImageError(ImageFault::BadRecord);
        continuation = *next;
        area = continuation;
    }
}
