#pragma once

#include "base/AppError.h"
#include "catalogue/CatalogueRecord.h"
#include "catalogue/CatalogueSchema.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <vector>

using Fields = std::array<QVariant, 4>; // CD, DATEI, INFO, INHALT; a null QVariant is NULL

// A temporary application directory holding an empty catalogue "CD.db". Records are put in and
// read back through a plain Qt connection of the fixture's own, not the code under test.
class CatalogueFixture
{
public:
    CatalogueFixture() { createEmptyCatalogue(fileName()); }

    QString directory() const { return m_folder.path() + u'/'; }
    QString fileName() const { return directory() + QStringLiteral("CD.db"); }

    // Runs the statements, then appends the records, in one transaction.
    void write(const QStringList &statements, const std::vector<Fields> &records = {}) const
    {
        Connection connection(fileName());
        QSqlQuery query(connection.database());
        QVERIFY(query.exec(QStringLiteral("BEGIN")));
        for (const QString &sql : statements)
            QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        QVERIFY(query.prepare(
            QStringLiteral("INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)")));
        for (const Fields &fields : records) {
            for (int i = 0; i < 4; ++i)
                query.bindValue(i, fields[i]);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
        QVERIFY(query.exec(QStringLiteral("COMMIT")));
    }
    void add(const std::vector<Fields> &records) const { write({}, records); }

    // Every stored record in key order; position 0 holds the key as text.
    std::vector<CatalogueRecord> stored() const
    {
        std::vector<CatalogueRecord> records;
        Connection connection(fileName());
        QSqlQuery query(connection.database());
        if (!query.exec(QStringLiteral("SELECT * FROM CD ORDER BY 1")))
            qFatal("cannot read the catalogue: %s", qPrintable(query.lastError().text()));
        while (query.next()) {
            CatalogueRecord &record = records.emplace_back();
            for (int i = 0; i < 5; ++i)
                record[i] = fieldValue(query.value(i));
        }
        return records;
    }

    QStringList journals() const
    {
        return QDir(directory()).entryList({QStringLiteral("*-journal")}, QDir::Files);
    }

private:
    struct Connection
    {
        explicit Connection(const QString &file)
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            database.setDatabaseName(file);
            if (!database.open())
                qFatal("cannot open %s", qPrintable(file));
        }
        ~Connection() { QSqlDatabase::removeDatabase(name); }
        QSqlDatabase database() const { return QSqlDatabase::database(name); }
        const QString name = QStringLiteral("fixture");
    };

    QTemporaryDir m_folder;
};

// The message of the AppError the work throws; empty when it throws none.
inline QString failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const AppError &error) {
        return error.message();
    }
    return {};
}
