#include "catalogue/ImportRun.h"

#include "base/AppError.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueTable.h"
#include "platform/NativePath.h"

#include <QElapsedTimer>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// Stores the steps' tree, if any, just before the commit; treeFailed is left true when that threw.
std::function<void()> treeBeforeCommit(CatalogueTable &table, const QString &discName,
                                       const ImportSteps &steps, bool &treeFailed)
{
    return [&table, &discName, &steps, &treeFailed] {
        if (!steps.tree)
            return;
        treeFailed = true;
        table.storeTree(discName, steps.tree());
        treeFailed = false;
    };
}

// The outcome of a write that stored nothing for a cause other than its records: a lost
// connection, the catalogue's lock, the tree.
std::optional<ImportOutcome> endedEarly(const CatalogueTable &table, bool treeFailed)
{
    using Result = ImportOutcome::Result;
    const QString failure = table.failure().value_or(QString());
    if (table.connectionLost())
        return ImportOutcome{Result::ConnectionLost, 0, {}, failure, {}, {}};
    if (table.locked())
        return ImportOutcome{Result::Locked, 0, {}, failure, {}, {}};
    if (treeFailed)
        return ImportOutcome{Result::TreeFailed, 0, {}, failure, {}, {}};
    return std::nullopt;
}

} // namespace

std::function<bool()> waitingUpTo(qint64 limitMs, std::function<bool()> meanwhile)
{
    constexpr unsigned long StepMs = 50;
    return [limitMs, meanwhile = std::move(meanwhile), waited = QElapsedTimer()]() mutable {
        if (!waited.isValid())
            waited.start();
        if (waited.hasExpired(limitMs) || !meanwhile())
            return false;
        QThread::msleep(StepMs);
        return true;
    };
}

ImportRun::ImportRun(const QStringList &selection, const SideTextStore &sideTexts,
                     bool descriptions, bool listings)
    : m_selection(selection), m_sideTexts(sideTexts), m_descriptions(descriptions),
      m_listings(listings)
{}

FieldValue ImportRun::fieldText(SideTextStore::Kind kind, bool wanted, int position) const
{
    const SideTextStore::SideText *sideText =
        wanted ? m_sideTexts.find(SideTextStore::nameOf(kind, position)) : nullptr;
    if (!sideText)
        return std::nullopt;
    // With both options the side texts are stored as the lines they show, each ended by CR LF.
    if (!(m_descriptions && m_listings))
        return sideText->text;
    QString text;
    for (const QString &line : sideText->lines())
        text += line + u"\r\n"_s;
    return text;
}

CatalogueRecord ImportRun::record(qsizetype index, const QString &discName) const
{
    const int position = int(index) + 1;
    return CatalogueRecord{std::nullopt, discName, storableText(m_selection[index]),
                           fieldText(SideTextStore::Kind::Description, m_descriptions, position),
                           fieldText(SideTextStore::Kind::Listing, m_listings, position)};
}

std::optional<ImportOutcome> ImportRun::begin(CatalogueTable &table, const ImportSteps &steps) const
{
    using Result = ImportOutcome::Result;
    table.setWaiting(steps.waiting);
    try {
        table.open();
    } catch (const AppError &) {
        return ImportOutcome{Result::CatalogueMissing, 0, {}, {}, {}, {}};
    }
    try {
        table.edit();
    } catch (const AppError &error) {
        table.close();
        const auto *failure = dynamic_cast<const CatalogueFailure *>(&error);
        const bool locked = failure && failure->cause() == CatalogueFailure::Cause::Locked;
        return ImportOutcome{
            locked ? Result::Locked : Result::NotWritable, 0, {}, error.message(), {}, {}};
    }
    return std::nullopt;
}

ImportOutcome ImportRun::into(const CataloguePlace &catalogue, const QString &discName,
                              const ImportSteps &steps) const
{
    using Result = ImportOutcome::Result;
    CatalogueTable table(catalogue);
    if (std::optional<ImportOutcome> failed = begin(table, steps))
        return *failed;
    // A record the catalogue rejects, or an engine fault such as a full disk, ends the import
    // with every record before it stored.
    bool treeFailed = false;
    const qsizetype stored = table.append(
        m_selection.size(), [&](qsizetype index) { return record(index, discName); },
        treeBeforeCommit(table, discName, steps, treeFailed));
    table.close();
    if (std::optional<ImportOutcome> ended = endedEarly(table, treeFailed))
        return *ended;
    const QString failure = table.failure().value_or(QString());
    if (stored < m_selection.size()) {
        const qsizetype rejected = table.refused().value_or(stored) + 1;
        return {Result::RecordRejected, stored, rejected, failure, {}, {}};
    }
    return {Result::Done, stored, {}, {}, table.failureAfterCommit().value_or(QString()), {}};
}

ImportOutcome ImportRun::replacing(const CataloguePlace &catalogue, const QString &discName,
                                   const ImportSteps &steps) const
{
    using Result = ImportOutcome::Result;
    CatalogueTable table(catalogue);
    if (std::optional<ImportOutcome> failed = begin(table, steps))
        return *failed;
    // Made once: the records go in from the files they are compared as.
    const QList<DiscFile> scanned = files();
    QList<DiscFile> stored;
    bool treeFailed = false;
    const qsizetype written = table.replace(
        discName, scanned.size(),
        [&](qsizetype index) {
            const DiscFile &file = scanned[index];
            return CatalogueRecord{std::nullopt, discName, file.path, file.info, file.contents};
        },
        treeBeforeCommit(table, discName, steps, treeFailed),
        [&](const std::array<FieldValue, 4> &fields) {
            stored.append({fields[1].value_or(QString()), fields[2], fields[3]});
        });
    table.close();
    if (std::optional<ImportOutcome> ended = endedEarly(table, treeFailed))
        return *ended;
    const QString failure = table.failure().value_or(QString());
    if (table.failure() || written < m_selection.size()) {
        const std::optional<qsizetype> refused = table.refused();
        return {Result::RecordRejected,
                0,
                refused ? std::optional(*refused + 1) : std::nullopt,
                failure,
                {},
                {}};
    }
    return {Result::Done,
            written,
            {},
            {},
            table.failureAfterCommit().value_or(QString()),
            DiscChanges::between(stored, scanned)};
}

QList<DiscFile> ImportRun::files() const
{
    QList<DiscFile> files;
    files.reserve(m_selection.size());
    for (qsizetype index = 0; index < m_selection.size(); ++index) {
        const CatalogueRecord each = record(index, QString());
        files.append({each[2].value_or(QString()), each[3], each[4]});
    }
    return files;
}
