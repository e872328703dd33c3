#include "catalogue/DiscChanges.h"

#include "catalogue/CatalogueConnection.h"

#include <QHash>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// NULL is told from an empty text, which QString's == does not.
bool sameText(const FieldValue &left, const FieldValue &right)
{
    return left.has_value() == right.has_value() && (!left || *left == *right);
}

bool sameFile(const DiscFile &before, const DiscFile &after)
{
    return sameText(before.info, after.info) && sameText(before.contents, after.contents);
}

} // namespace

DiscChanges DiscChanges::between(const QList<DiscFile> &stored, const QList<DiscFile> &scanned)
{
    DiscChanges result;
    // A disc scanned again mostly lists its files in the order they were stored. Where both lists
    // hold the same paths at the same places, each stored entry is the first unpaired one of its
    // path, so the two pair place by place without a table.
    qsizetype inOrder = 0;
    for (; inOrder < std::min(stored.size(), scanned.size()) &&
           stored[inOrder].path == scanned[inOrder].path;
         ++inOrder) {
        if (!sameFile(stored[inOrder], scanned[inOrder]))
            result.add(Kind::Changed, scanned[inOrder].path);
    }
    // The first unpaired stored entry of each path, and for each entry the next one of its path:
    // one table and one array, where a list per path would cost an allocation per file.
    constexpr qsizetype None = -1;
    QHash<QStringView, qsizetype> firstUnpaired;
    firstUnpaired.reserve(stored.size() - inOrder);
    std::vector<qsizetype> nextOfPath(std::size_t(stored.size()), None);
    for (qsizetype index = stored.size() - 1; index >= inOrder; --index) {
        const QStringView path(stored[index].path);
        const auto found = firstUnpaired.find(path);
        if (found == firstUnpaired.end()) {
            firstUnpaired.insert(path, index);
            continue;
        }
        nextOfPath[std::size_t(index)] = *found;
        *found = index;
    }
    std::vector<bool> paired(std::size_t(stored.size()), false);
    std::fill_n(paired.begin(), inOrder, true);
    for (const DiscFile &file : scanned.sliced(inOrder)) {
        const auto found = firstUnpaired.find(QStringView(file.path));
        if (found == firstUnpaired.end() || *found == None) {
            result.add(Kind::Added, file.path);
            continue;
        }
        const qsizetype index = *found;
        *found = nextOfPath[std::size_t(index)];
        paired[std::size_t(index)] = true;
        if (!sameFile(stored[index], file))
            result.add(Kind::Changed, file.path);
    }
    for (qsizetype index = 0; index < stored.size(); ++index) {
        if (!paired[std::size_t(index)])
            result.add(Kind::Removed, stored[index].path);
    }
    return result;
}

void DiscChanges::add(Kind kind, const QString &path)
{
    m_changes.append({kind, path});
    switch (kind) {
    case Kind::Added:
        ++m_added;
        break;
    case Kind::Removed:
        ++m_removed;
        break;
    case Kind::Changed:
        ++m_changed;
        break;
    }
}

QString DiscChanges::summary() const
{
    return u"%1 neu, %2 entfernt, %3 geändert"_s.arg(m_added).arg(m_removed).arg(m_changed);
}

QString DiscChanges::sign(Kind kind)
{
    switch (kind) {
    case Kind::Added:
        return u"+"_s;
    case Kind::Removed:
        return u"-"_s;
    case Kind::Changed:
        break;
    }
    return u"~"_s;
}

QString discCondition(const QString &disc)
{
    // Plain equality keeps an index on CD usable, which coalesce() would not.
    return disc.isEmpty() ? u"(CD IS NULL OR CD = :disc)"_s : u"CD = :disc"_s;
}

bool catalogueHoldsDisc(const CataloguePlace &catalogue, const QString &disc)
{
    const CatalogueConnection connection(catalogue, CatalogueConnection::Access::ReadOnly);
    QSqlQuery query =
        connection.prepare(u"SELECT 1 FROM CD WHERE %1 LIMIT 1"_s.arg(discCondition(disc)));
    query.bindValue(u":disc"_s, disc);
    connection.exec(query);
    return query.next();
}

QList<DiscFile> storedFilesOf(const CataloguePlace &catalogue, const QString &disc)
{
    const CatalogueConnection connection(catalogue, CatalogueConnection::Access::ReadOnly);
    QList<DiscFile> files;
    connection.forEachRecord(
        u"SELECT %1, CD, DATEI, INFO, INHALT FROM CD WHERE %2 ORDER BY %1"_s.arg(
            connection.keyColumn(), discCondition(disc)),
        {{u":disc"_s, disc}}, [&](qint64, std::array<FieldValue, 4> &fields) {
            files.append({fields[1].value_or(QString()), fields[2], fields[3]});
        });
    return files;
}
