#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantMap>

#include <functional>

struct sqlite3;

// One Qt connection of its own to an existing catalogue file, with the program's SQL rules: a
// Unicode-aware upper(), a case-sensitive LIKE and a short busy timeout. The file is never
// created; a read-only connection cannot write at all. Unregistered when destroyed, so every
// query made on it must be gone by then.
class CatalogueConnection final
{
public:
    enum class Access
    {
        ReadOnly,
        ReadWrite
    };

    // Throws AppError when the driver is missing or the file cannot be opened.
    CatalogueConnection(const QString &fileName, Access access);
    ~CatalogueConnection();
    Q_DISABLE_COPY_MOVE(CatalogueConnection)

    const QString &fileName() const { return m_fileName; }
    // Whether writes can succeed: the connection, the file and its folder (for the rollback
    // journal) are writable.
    bool canWrite() const;
    // Whether no other connection holds the write lock now; asks without waiting. Only outside a
    // transaction.
    bool writeLockFree() const;
    // Whether a transaction is open; SQLite ends one by itself after some engine faults.
    bool inTransaction() const;

    // Prepared statements and their execution; failures throw AppError (see catalogueError).
    QSqlQuery prepare(const QString &sql) const;
    void exec(QSqlQuery &query) const;
    void exec(const QString &sql) const;
    // Runs a query of one text column straight on SQLite and gives every row's value to visit
    // (NULL as empty), reusing the QString while the value repeats. Qt's driver builds a
    // QVariant per value, which over a million rows costs several times SQLite's own work.
    // Parameters are bound by name, integers as integers, anything else as text (null QVariant
    // as NULL). Throws AppError.
    void forEachText(const QString &sql, const QVariantMap &parameters,
                     const std::function<void(const QString &)> &visit) const;

private:
    // Removes the connection from Qt's registry once the database handle below is gone.
    struct Registration
    {
        QString name;
        ~Registration();
    };

    Registration m_registration;
    QSqlDatabase m_database;
    QString m_fileName;
    sqlite3 *m_handle = nullptr;
};
