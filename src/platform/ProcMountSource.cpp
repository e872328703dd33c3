#include "platform/ProcMountSource.h"

#include <QFile>

using namespace Qt::StringLiterals;

ProcMountSource::ProcMountSource() : m_path(u"/proc/self/mountinfo"_s) {}

ProcMountSource::ProcMountSource(qint64 processId) : m_path(u"/proc/%1/mountinfo"_s.arg(processId))
{}

QByteArray ProcMountSource::readMountInfo() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString ProcMountSource::watchPath() const
{
    return m_path;
}
