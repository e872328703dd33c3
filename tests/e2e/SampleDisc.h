#pragma once

#include <QString>

// A small shareware disc as users catalogue them: nested folders, descriptions beside programs in
// every letter case, ZIP archives made by the system's zip (one written as a stream, so with data
// descriptors), files without an extension, and names with umlauts and blanks.
namespace SampleDisc {

inline const QString Label = QStringLiteral("Shareware 1996");

// Writes the disc's files below root; returns an error text, empty on success.
QString writeFiles(const QString &root);

// Builds an ISO 9660 image with Joliet names and the label from the files below root; returns an
// error text, empty on success.
QString buildImage(const QString &root, const QString &imagePath);

} // namespace SampleDisc
