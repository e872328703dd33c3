#include "catalogue/CatalogueTable.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

CatalogueTable::CatalogueTable(QString tableName) : m_tableName(std::move(tableName)) {}

CatalogueTable::~CatalogueTable()
{
    try {
        close();
    } catch (const AppError &) {
        // close() has rolled back and closed; a destructor has no one to report to.
    }
}

void CatalogueTable::open()
{
    if (isOpen())
        return;
    m_connection.emplace(verifiedCatalogue(m_tableName), CatalogueConnection::Access::ReadWrite);
}

void CatalogueTable::edit()
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    if (m_transaction)
        return;
    if (!m_connection->canWrite())
        throw AppError(CatalogueMessage::readOnly());
    m_transaction.emplace(*m_connection);
}

void CatalogueTable::insert(const CatalogueRecord &record)
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    if (!m_insert) {
        m_insert = m_connection->prepare(
            u"INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)"_s);
    }
    for (int position = 1; position < int(record.size()); ++position)
        m_insert->bindValue(position - 1, boundValue(record[position]));
    m_connection->exec(*m_insert);
}

void CatalogueTable::close()
{
    m_insert.reset();
    // The transaction goes before its connection, also when the commit fails (it rolls back).
    const auto release = qScopeGuard([this] {
        m_transaction.reset();
        m_connection.reset();
    });
    if (m_transaction)
        m_transaction->commit();
}
