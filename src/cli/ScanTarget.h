#pragma once

#include "cli/Texts.h"
#include "platform/DriveTable.h"

#include <memory>

class WalkFeed;

// What a scan from the command line reads: one drive, as the window would read it.
struct ScanTarget
{
    Drive drive;
    QString root;    // "d:\"
    QString caption; // as the drive selector shows it, the root of a stored tree
    // The walk of an image's folder tree, which goes on while a scan lists the folders it has
    // reached; its end tells whether the image is whole.
    std::shared_ptr<WalkFeed> imageWalk;
};

// The drive an operand names: a letter as `tralbo-cli drives` shows it ("d", "d:", "d:\"), or a
// folder, which is read as if it were the disc in drive d:, so that its files are stored as
// they would be from that disc, or a disc image file, read as the disc in drive d:. Throws
// UsageError for an unknown drive, a drive without a medium and a folder that does not exist,
// ImageError for an image whose volume cannot be read; damage further in shows at the end of its
// walk.
ScanTarget scanTarget(const QString &operand, const Texts &texts);
