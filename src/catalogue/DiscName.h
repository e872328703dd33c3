#pragma once

#include <QString>

// The disc name proposed for a drive caption such as "d: [mydisc]": the caption from its fifth
// character up to its second-to-last, letters a to z upper-cased ("MYDISC"). Captions of five
// characters or fewer propose nothing.
QString proposedDiscName(const QString &driveCaption);
