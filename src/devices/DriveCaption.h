#pragma once

#include "platform/DriveTable.h"

// The text a drive stands under in the drive selector, for example "d: [mydisc]" or
// "e: \\server\share"; it also heads every stored directory tree.
QString driveCaption(const Drive &drive);
// Whether the drive selector lists the drive: only drives of a known kind with a root.
bool offeredInSelector(const Drive &drive);
// Name of the desktop theme icon for a drive type.
QString driveIconName(DriveType type);
