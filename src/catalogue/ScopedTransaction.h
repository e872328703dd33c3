#pragma once

#include <QtGlobal>

class CatalogueConnection;

// A write transaction on one connection: begun on construction with the write lock taken at
// once on SQLite, made durable by commit(), rolled back when destroyed uncommitted.
class ScopedTransaction final
{
public:
    explicit ScopedTransaction(const CatalogueConnection &connection); // throws AppError
    ~ScopedTransaction();
    Q_DISABLE_COPY_MOVE(ScopedTransaction)

    void commit(); // throws AppError; the transaction stays open then, to be rolled back

private:
    const CatalogueConnection &m_connection;
    bool m_active = false;
};
