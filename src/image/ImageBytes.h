#pragma once

#include <QByteArrayView>
#include <QDateTime>

// Little-endian numbers at an offset the caller has checked; ISO 9660's both-endian fields are
// read through their little-endian half, as Linux reads them.
inline quint16 le16(QByteArrayView bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

inline quint32 le32(QByteArrayView bytes, qsizetype at)
{
    return quint32(le16(bytes, at)) | quint32(le16(bytes, at + 2)) << 16;
}

inline quint64 le64(QByteArrayView bytes, qsizetype at)
{
    return quint64(le32(bytes, at)) | quint64(le32(bytes, at + 4)) << 32;
}

// The seven-byte time of an ISO 9660 directory record (also Rock Ridge's short form): years
// since 1900, month, day, hour, minute, second, offset from UTC in quarter hours. Invalid when
// the date is not a real one.
QDateTime isoRecordTime(QByteArrayView seven);

// A UTC time from its parts and an offset east of UTC in minutes; invalid when a part is out of
// range.
QDateTime utcTime(int year, int month, int day, int hour, int minute, int second,
                  int offsetMinutes);
