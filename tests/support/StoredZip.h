#pragma once

#include <QByteArray>
#include <QList>

#include <utility>

// A ZIP of stored members followed by an end record: enough for the member lister.
inline QByteArray storedZip(const QList<std::pair<QByteArray, QByteArray>> &members)
{
    QByteArray zip;
    const auto put16 = [&](quint16 value) {
        zip.append(char(value & 0xff)).append(char(value >> 8));
    };
    const auto put32 = [&](quint32 value) {
        put16(quint16(value & 0xffff));
        put16(quint16(value >> 16));
    };
    for (const auto &[name, data] : members) {
        put32(0x04034b50);
        put16(10);
        put16(0);
        put16(0);
        put32(0);
        put32(0);
        put32(quint32(data.size()));
        put32(quint32(data.size()));
        put16(quint16(name.size()));
        put16(0);
        zip.append(name).append(data);
    }
    put32(0x06054b50);
    zip.append(QByteArray(18, '\0'));
    return zip;
}
