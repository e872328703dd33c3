#include "catalogue/StagedTree.h"

#include "base/AppError.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

StagedTree::StagedTree(QString fileName, const QByteArray &treeText)
    : m_fileName(std::move(fileName)),
      m_staged(QFileInfo(m_fileName).absolutePath() + u"/.tralbo-tree-XXXXXX"_s)
{
    // A full disk is reported before the records are committed, never as a short file after.
    if (!m_staged.open() || m_staged.write(treeText) != treeText.size() || !m_staged.flush() ||
        ::fsync(m_staged.handle()) != 0)
        throw AppError(u"Datei %1 kann nicht erstellt werden"_s.arg(m_fileName));
    m_staged.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

void StagedTree::publish()
{
    if (std::rename(QFile::encodeName(m_staged.fileName()).constData(),
                    QFile::encodeName(m_fileName).constData()) != 0)
        throw AppError(u"Datei %1 kann nicht erstellt werden"_s.arg(m_fileName));
    m_staged.setAutoRemove(false);
}
