#include "cli/FoundRows.h"

#include "catalogue/BrowseResult.h"
#include "catalogue/DiscName.h"

namespace {

RecordRow recordRowOf(const BrowseResult::Row &row)
{
    return {row.key, row.fields};
}

} // namespace

void forEachFoundRow(const CataloguePlace &catalogue, const QString &text,
                     const std::optional<QString> &disc,
                     const std::function<void(const RecordRow &)> &visit)
{
    const auto offer = [&](const BrowseResult::Row &row) {
        if (!disc || row.fields[0].value_or(QString()) == *disc)
            visit(recordRowOf(row));
    };
    // The tool ends right after its search, so it never starts the index's background update:
    // its imports keep the index current.
    BrowseResult result(catalogue, CatalogueConnection::Access::ReadOnly,
                        {BrowseRequest::Kind::FileNameSearch, text}, BrowseResult::IndexUse::Read);
    for (int index = 0; index < result.fetchedSize(); ++index)
        offer(result.row(index));
    // Later batches are only passed on, not kept: a search may find the whole catalogue.
    while (!result.atEnd()) {
        for (const BrowseResult::Row &row : result.readBatch())
            offer(row);
    }
}

QStringList discNamesOf(const CataloguePlace &catalogue)
{
    const BrowseResult result(catalogue, CatalogueConnection::Access::ReadOnly,
                              {BrowseRequest::Kind::AllDiscs, {}});
    DiscNameRuns names;
    result.forEachDiscName([&](const QString &name) { names.add(name); });
    return names.names();
}
