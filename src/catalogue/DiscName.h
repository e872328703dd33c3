#pragma once

#include <QString>
#include <QStringList>

// The disc name proposed for a drive caption such as "d: [mydisc]": the caption from its fifth
// character up to its second-to-last, letters a to z upper-cased ("MYDISC"). Captions of five
// characters or fewer propose nothing.
QString proposedDiscName(const QString &driveCaption);

// The disc list "Refresh" builds from the CD fields of the records in key order: a name is left
// out when it equals the one before, and before the first comes "unknown compact disk".
class DiscNameRuns final
{
public:
    void add(const QString &name)
    {
        if (name != m_previous)
            m_names.append(name);
        m_previous = name;
    }
    const QStringList &names() const { return m_names; }

private:
    QString m_previous = QStringLiteral("unknown compact disk");
    QStringList m_names;
};
