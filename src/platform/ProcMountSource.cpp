#include "platform/ProcMountSource.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QString MountInfoPath = u"/proc/self/mountinfo"_s;

} // namespace

QByteArray ProcMountSource::readMountInfo() const
{
    QFile file(MountInfoPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString ProcMountSource::watchPath() const
{
    return MountInfoPath;
}
