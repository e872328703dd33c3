#include "archive/ZipLst32.h"
#include "BenchReport.h"
#include "FailingDialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr int Members = 50'000;

template <typename T> void put(QByteArray &out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&little), sizeof little);
}

quint32 crc32(QByteArrayView bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> entries{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? 0xEDB88320 ^ (value >> 1) : value >> 1;
            entries[i] = value;
        }
        return entries;
    }();
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// The fields local and central headers share: version, flags, method, time, date, CRC, sizes,
// name length.
void putCommon(QByteArray &out, const QByteArray &name, const QByteArray &data)
{
    put<quint16>(out, 10);
    put<quint16>(out, 0);
    put<quint16>(out, 0);
    put<quint32>(out, 0x5a210000); // 2025-01-01 00:00
    put<quint32>(out, crc32(data));
    put<quint32>(out, quint32(data.size()));
    put<quint32>(out, quint32(data.size()));
    put<quint16>(out, quint16(name.size()));
}

// Stored members of 40 to 140 bytes in 100 folders; the same bytes on every run.
QByteArray generateArchive()
{
    QByteArray archive;
    QByteArray directory;
    for (int i = 0; i < Members; ++i) {
        const QByteArray name = "DIR" + QByteArray::number(i % 100).rightJustified(3, '0') +
                                "/FILE" + QByteArray::number(i).rightJustified(5, '0') + ".TXT";
        const QByteArray data = "Inhalt der Datei " + QByteArray::number(i) + "\n" +
                                QByteArray(20 + i % 101, char('a' + i % 26));
        put<quint32>(directory, 0x02014b50);
        put<quint16>(directory, 0x031e);
        putCommon(directory, name, data);
        put<quint64>(directory, 0); // extra and comment lengths, disk, internal attributes
        put<quint32>(directory, 0x81a40000);
        put<quint32>(directory, quint32(archive.size()));
        directory += name;

        put<quint32>(archive, 0x04034b50);
        putCommon(archive, name, data);
        put<quint16>(archive, 0);
        archive += name + data;
    }
    const quint32 directoryStart = quint32(archive.size());
    archive += directory;
    put<quint32>(archive, 0x06054b50);
    put<quint32>(archive, 0);
    put<quint16>(archive, Members);
    put<quint16>(archive, Members);
    put<quint32>(archive, quint32(directory.size()));
    put<quint32>(archive, directoryStart);
    put<quint16>(archive, 0);
    return archive;
}

} // namespace

// Lists a ZIP of 50,000 small members in the process and with unzip -Z1, both warm.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const QString id = u"zip_50k"_s;
    const QString rateId = u"zip_50k_rate"_s;
    if (!arguments.wants(id) && !arguments.wants(rateId))
        return 0;

    const QString fileName = arguments.dataFolder() + u"/zip_50k.zip"_s;
    QFile file(fileName);
    const QByteArray archive = generateArchive();
    if (!QDir().mkpath(arguments.dataFolder()) || !file.open(QIODevice::WriteOnly) ||
        file.write(archive) != archive.size() || !file.flush())
        qFatal("cannot write %s", qPrintable(fileName));
    file.close();

    const QByteArray nativePath = QFile::encodeName(fileName);
    FailingDialogService dialogs;
    const auto list = [&] {
        QStringList lines;
        if (ListZipMembers(u"d:\\ZIP_50K.ZIP"_s, nativePath, lines, dialogs) != Members)
            qFatal("listed %lld members, expected %d", qlonglong(lines.size()), Members);
    };
    const Comparison times =
        compareWithProgram(3, list, u"unzip"_s, QStringList{u"-Z1"_s, fileName});
    if (arguments.wants(id))
        printBench(id, times.seconds, u"s"_s, {Goal::ratioBelow(1.0)}, u"unzip"_s,
                   times.referenceSeconds);
    if (arguments.wants(rateId))
        printBench(rateId, Members / times.seconds, u"members/s"_s, {Goal::valueAtLeast(400'000)});
    return 0;
}
