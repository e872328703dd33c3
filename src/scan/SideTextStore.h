#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The side texts of the last scan: a description text ("mem" + position) and an archive listing
// ("zip" + position) per entry of the selection list, found again by name. There is no limit on
// their number, so scans of large discs never run out of room.
class SideTextStore final
{
public:
    enum class Kind
    {
        Description,
        Listing
    };

    struct SideText
    {
        Kind kind = Kind::Description;
        QString text; // lines ending in CR LF; a description may lack the last one

        // Description texts wrap like the description box; listings have one line per member.
        QStringList lines() const;
    };

    static QString nameOf(Kind kind, int position);

    // Records a new, empty side text under its name and returns it to be filled; it stays
    // recorded even when filling it fails.
    SideText &create(Kind kind, int position);
    // The side text of that exact name, or none.
    const SideText *find(const QString &name) const;
    qsizetype size() const { return m_texts.size(); }
    void releaseAll();

private:
    QHash<QString, SideText> m_texts;
};
