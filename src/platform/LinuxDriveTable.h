#pragma once

#include "platform/DriveTable.h"

#include <QHash>

class LabelReader;
struct MountEntry;
class MountSource;

// The volumes of this system under drive letters: "c:" is the volume mounted at "/", then come
// the optical drives (with or without a disc), then the other volumes by mount point. A volume
// keeps its letter until it goes away; a new one takes the lowest free letter. The file manager's
// network shares, folders below "gvfs" in the user's runtime directory, are drives of their own.
class LinuxDriveTable final : public DriveTable
{
public:
    LinuxDriveTable(const MountSource &mounts, const LabelReader &labels,
                    QString sysfsRoot = QStringLiteral("/sys"),
                    const QString &runtimeDir = userRuntimeDir());
    Q_DISABLE_COPY_MOVE(LinuxDriveTable)

    // "/run/user/UID" for the user running the program.
    static QString userRuntimeDir();

    void refresh() override;
    QList<Drive> drives() const override;

private:
    struct Volume;

    QList<Volume> currentVolumes(const QList<MountEntry> &table) const;
    Drive describe(const Volume &volume) const;
    QHash<QByteArray, QChar> assignLetters(const QList<Volume> &volumes);

    const MountSource &m_mounts;
    const LabelReader &m_labels;
    const QString m_sysfsRoot;
    const QByteArray m_gvfsDir;
    QHash<QByteArray, QChar> m_letters;  // volume key -> letter, for the volumes present
    QHash<QByteArray, QChar> m_lastSeen; // volume key -> letter, for every volume since start
    QHash<QByteArray, Drive> m_known;    // mount identity -> drive, from the last refresh
    QList<Drive> m_drives;
};
