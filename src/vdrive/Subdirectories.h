#pragma once

#include "platform/NativePath.h"

#include <QByteArrayView>

#include <functional>

// Called per subdirectory with its native name; a link to a directory comes with isLink set.
// Returning false ends the listing early.
using SubdirectoryVisitor = std::function<bool(QByteArrayView name, bool isLink)>;

// Lists the subdirectories of a native directory ("." and ".." left out) in the file system's
// order. False when the directory cannot be opened.
bool forEachSubdirectory(const QByteArray &nativeDirectory, const SubdirectoryVisitor &visit);

// Whether a program path names something that exists. The directory tree keeps its paths with
// a to z upper-cased, so where a name on the way does not exist as written, a name that differs
// only in the letters a to z is taken instead.
bool programPathExists(const PathMapper &paths, QStringView programPath);
