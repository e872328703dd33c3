#include "platform/GvfsShares.h"

#include <dirent.h>

#include <algorithm>
#include <memory>

QList<QByteArray> gvfsShareFolders(const QByteArray &mountPoint)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> directory(::opendir(mountPoint.constData()),
                                                         &::closedir);
    if (!directory)
        return {};
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(directory.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}
