#pragma once

#include "cli/Texts.h"
#include "platform/DriveTable.h"

// What a scan from the command line reads: one drive, as the window would read it.
struct ScanTarget
{
    Drive drive;
    QString root;    // "d:\"
    QString caption; // as the drive selector shows it, the root of a stored tree
};

// The drive an operand names: a letter as `tralbo-cli drives` shows it ("d", "d:", "d:\"), or a
// folder, which is read as if it were the disc in drive d:, so that its files are stored as
// they would be from that disc, or a disc image file, read as the disc in drive d:. Throws
// UsageError for an unknown drive, a drive without a medium and a folder that does not exist,
// ImageError for an image that cannot be read.
ScanTarget scanTarget(const QString &operand, const Texts &texts);
