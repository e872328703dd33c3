#pragma once

#include <QString>

#include <optional>

// The virtual drive file of a disc: the application directory, the disc name, ".vfs". Empty for
// a disc name that would leave the application directory or that names no file of its own
// (one holding "/" or NUL, or exactly "." or "..").
std::optional<QString> virtualDriveFile(const QString &applicationDirectory,
                                        const QString &discName);
