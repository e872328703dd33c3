#pragma once

#include "catalogue/CatalogueBackend.h"

// A catalogue file, CD.db: SQLite through Qt's QSQLITE driver, with the program's SQL rules (a
// Unicode-aware upper(), a case-sensitive LIKE and a short busy timeout), its trees as .vfs files
// and its search index (CD.idx) beside it.
class SqliteBackend final : public CatalogueBackend
{
public:
    QString shown(const QString &location) const override;
    CataloguePlace located(const CataloguePlace &place) const override;
    void checkOn(const CatalogueConnection &connection) const override;
    QString create(const CataloguePlace &place,
                   const std::function<void()> &beforeConnecting) const override;
    std::optional<QStringList>
    upgrade(const CataloguePlace &place,
            const std::function<void()> &beforeConnecting) const override;
    std::unique_ptr<BackendConnection> connect(const CataloguePlace &place, CatalogueAccess access,
                                               const QString &connectionName) const override;

    bool canKeepTree(const CataloguePlace &place, const QString &disc) const override;
    QString treePlace(const CataloguePlace &place, const QString &disc) const override;
    std::optional<QByteArray> readTree(const CataloguePlace &place,
                                       const QString &disc) const override;
    std::optional<SearchIndex> searchIndex(const CataloguePlace &place) const override;

    QString keyColumn() const override;
    QString beginWriting() const override;
    BrowseCondition condition(const BrowseRequest &request) const override;
    QString insertStatement() const override;
    QVariantList insertValues(const std::array<FieldValue, 4> &fields) const override;
    QString fieldAssignment(int position) const override;
    void bindField(QSqlQuery &update, int position, const FieldValue &value) const override;
};
