#pragma once

#include "catalogue/CatalogueRecord.h"

#include <QList>
#include <QString>

class CataloguePlace;

// One file of a disc as its record holds it: DATEI, INFO and INHALT.
struct DiscFile
{
    QString path;
    FieldValue info;
    FieldValue contents;
};
// A disc's stored files are read into one list of a hundred thousand and more; moving them by
// their bytes when it grows is sound, as for the strings they hold.
Q_DECLARE_TYPEINFO(DiscFile, Q_RELOCATABLE_TYPE);

// What replacing a disc's stored records with a new scan changes. Files pair by path, compared
// exactly as the disc filter compares names (letter case counts); a path stored n times pairs
// with its first n scanned entries. A paired file whose INFO or INHALT differs (NULL told from an
// empty text) is changed.
class DiscChanges final
{
public:
    enum class Kind
    {
        Added,
        Removed,
        Changed
    };
    struct Change
    {
        Kind kind;
        QString path;
    };

    DiscChanges() = default;
    // The scanned files in their order, added or changed, then the removed ones in stored order.
    static DiscChanges between(const QList<DiscFile> &stored, const QList<DiscFile> &scanned);

    const QList<Change> &changes() const { return m_changes; }
    qsizetype added() const { return m_added; }
    qsizetype removed() const { return m_removed; }
    qsizetype changed() const { return m_changed; }
    bool isEmpty() const { return m_changes.isEmpty(); }
    // "N neu, M entfernt, K geändert", as the window's status line shows it.
    QString summary() const;
    // "+", "-" or "~".
    static QString sign(Kind kind);

private:
    void add(Kind kind, const QString &path);

    QList<Change> m_changes;
    qsizetype m_added = 0;
    qsizetype m_removed = 0;
    qsizetype m_changed = 0;
};

// The where clause that picks one disc's records, its name bound as :disc: exactly that name,
// letter case counting as in the disc filter, but "%" and "_" taken literally, so that a replace
// never touches another disc. The empty name also picks records without a disc name.
QString discCondition(const QString &disc);
// Whether the catalogue holds records of the disc. Throws AppError.
bool catalogueHoldsDisc(const CataloguePlace &catalogue, const QString &disc);
// The disc's stored files in key order, read once. Throws AppError.
QList<DiscFile> storedFilesOf(const CataloguePlace &catalogue, const QString &disc);
