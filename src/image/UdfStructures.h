#pragma once

#include "image/ImageEntry.h"
#include "image/UdfImage.h"

#include <optional>

// The pieces of ECMA-167 and UDF that UdfImage reads.
namespace Udf {

enum Tag : quint16
{
    PrimaryVolume = 1,
    Anchor = 2,
    VolumePointer = 3,
    Partition = 5,
    LogicalVolume = 6,
    Terminating = 8,
    FileSet = 256,
    FileIdentifier = 257,
    AllocationExtent = 258,
    FileEntry = 261,
    ExtendedFileEntry = 266,
};

using Partitions = UdfImage::Partitions;

// True when bytes start with a descriptor tag of that identifier whose checksum and CRC are right
// and that names location as its own (as Linux checks them).
bool hasTag(QByteArrayView bytes, quint16 identifier, quint32 location);

// A d-string or file identifier (compression 8 or 16); throws ImageError (BadName) when it is
// neither.
QString decodeName(QByteArrayView raw);
// A d-string field: its last byte is the length used.
QString decodeField(QByteArrayView field);

// The absolute sector of a logical block; throws ImageError when it lies outside its partition.
quint64 absoluteSector(const Partitions &partitions, quint16 reference, quint32 block);
// The same check alone, which a listing makes for every file.
void checkBlock(const Partitions &partitions, quint16 reference, quint32 block);

// A file or directory from its (extended) file entry: kind, size, time and where its bytes lie.
// name and location are left to the caller.
ImageNode readFileEntry(const ImageSectors &sectors, const Partitions &partitions,
                        quint16 reference, quint32 block);
// The same for an entry expected to be a directory's. Mastering tools put a directory's identifiers
// in the block after its entry, so that block is read with it: a directory of one block then costs
// one read instead of two, its bytes kept as embedded ones.
ImageNode readDirectoryEntry(const ImageSectors &sectors, const Partitions &partitions,
                             quint16 reference, quint32 block);

} // namespace Udf
