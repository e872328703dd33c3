#pragma once

#include "base/AppError.h"
#include "catalogue/CatalogueRecord.h"
#include "catalogue/CatalogueSchema.h"
#include "support/CatalogueRows.h"
#include "support/ServerDatabase.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

using Fields = std::array<QVariant, 4>; // CD, DATEI, INFO, INHALT; a null QVariant is NULL

// Where the fixture's catalogue lives: a file, or a database of its own on the PostgreSQL server
// of the test run (the PG* variables of pg_virtualenv).
enum class BackEnd
{
    File,
    Server
};

// A temporary application directory and an empty catalogue: "CD.db" in it, or a new database on
// the server. Records are put in and read back through plain Qt connections of the test's own,
// not the code under test.
class CatalogueFixture
{
public:
    CatalogueFixture()
    {
        if (backEnd() == BackEnd::File)
            createEmptyCatalogue(fileName());
        else
            m_server = std::make_unique<ServerDatabase>();
    }

    static BackEnd &backEnd()
    {
        static BackEnd chosen = BackEnd::File;
        return chosen;
    }

    QString directory() const { return m_folder.path() + u'/'; }
    // The catalogue: the file, or the server location.
    QString fileName() const
    {
        return m_server ? m_server->location() : directory() + QStringLiteral("CD.db");
    }

    // The catalogue as the program resolves it.
    CataloguePlace place() const { return CataloguePlace::of(fileName(), directory()); }

    // Runs the statements, then appends the records, in one transaction.
    void write(const QStringList &statements, const std::vector<Fields> &records = {}) const
    {
        Connection connection(m_server ? m_server->name() : fileName(), m_server != nullptr);
        QSqlQuery query(connection.database());
        QVERIFY(query.exec(QStringLiteral("BEGIN")));
        for (const QString &sql : statements)
            QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        // A server catalogue keeps the upper-cased path beside the path.
        QVERIFY(query.prepare(
            m_server
                ? QStringLiteral("INSERT INTO cd (cd, datei, info, inhalt, datei_upper) "
                                 "VALUES (?, ?, ?, ?, ?)")
                : QStringLiteral("INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)")));
        for (const Fields &fields : records) {
            for (int i = 0; i < 4; ++i)
                query.bindValue(i, fields[i]);
            if (m_server)
                query.bindValue(4, fields[1].isNull() ? QVariant(QMetaType::fromType<QString>())
                                                      : QVariant(fields[1].toString().toUpper()));
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
        QVERIFY(query.exec(QStringLiteral("COMMIT")));
    }
    void add(const std::vector<Fields> &records) const { write({}, records); }

    // Every stored record in key order; position 0 holds the key as text.
    std::vector<CatalogueRecord> stored() const
    {
        return m_server ? catalogueRows(m_server->name(), RowsFrom::Server)
                        : catalogueRows(fileName());
    }

    // One disc's records in key order, each as its path and description ("NULL" for none).
    QStringList pathsAndInfosOf(const QString &disc) const
    {
        QStringList records;
        for (const CatalogueRecord &row : stored()) {
            if (row[1] == disc)
                records.append(row[2].value_or(QString()) + u'|' +
                               row[3].value_or(QStringLiteral("NULL")));
        }
        return records;
    }

    // The rollback journals beside a catalogue file.
    QStringList journals() const
    {
        return QDir(directory()).entryList({QStringLiteral("*-journal")}, QDir::Files);
    }

private:
    struct Connection
    {
        Connection(const QString &database, bool server)
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase(
                server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
            connection.setDatabaseName(database);
            if (!connection.open())
                qFatal("cannot open %s: %s", qPrintable(database),
                       qPrintable(connection.lastError().text()));
        }
        ~Connection() { QSqlDatabase::removeDatabase(name); }
        QSqlDatabase database() const { return QSqlDatabase::database(name); }
        const QString name = QStringLiteral("fixture");
    };

    QTemporaryDir m_folder;
    std::unique_ptr<ServerDatabase> m_server; // none for a file
};

// Runs the test object once per catalogue back end: the file, then the server when the test run
// has one; says so when it has none. Returns the number of failures.
template <class Test> int runOnEachBackEnd(int argc, char *argv[])
{
    int failures = 0;
    for (const BackEnd backEnd : {BackEnd::File, BackEnd::Server}) {
        if (backEnd == BackEnd::Server && !ServerDatabase::available()) {
            qInfo("Not run on a PostgreSQL server: there is none (make test starts one with "
                  "pg_virtualenv when PostgreSQL is installed)");
            if (!qEnvironmentVariableIsEmpty("CI"))
                ++failures; // CI installs PostgreSQL, so a missing server is a fault there
            continue;
        }
        CatalogueFixture::backEnd() = backEnd;
        Test test;
        failures += QTest::qExec(&test, argc, argv);
    }
    ServerDatabase::dropTemplate();
    return failures;
}

#define TRALBO_TEST_ON_EACH_BACKEND(Test)                                                          \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication application(argc, argv);                                                  \
        return runOnEachBackEnd<Test>(argc, argv);                                                 \
    }

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
