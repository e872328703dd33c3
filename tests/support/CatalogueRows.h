#pragma once

#include "catalogue/CatalogueRecord.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <vector>

// Reads a catalogue's rows back for a test's assertions, on a connection of the test's own and
// never through the code under test.

// Where the catalogue lies: a file, or a database (given by its name) on the PostgreSQL server of
// the test run, reached through the PG* variables that pg_virtualenv sets.
enum class RowsFrom
{
    File,
    Server
};

// Every row in key order: Nr (as text), CD, DATEI, INFO, INHALT. A catalogue that cannot be read
// ends the test program with the reason.
inline std::vector<CatalogueRecord> catalogueRows(const QString &database,
                                                  RowsFrom from = RowsFrom::File)
{
    using namespace Qt::StringLiterals;
    const QString connectionName = u"catalogueRows"_s;
    std::vector<CatalogueRecord> rows;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(
            from == RowsFrom::Server ? u"QPSQL"_s : u"QSQLITE"_s, connectionName);
        connection.setDatabaseName(database);
        if (!connection.open())
            qFatal("cannot open %s: %s", qPrintable(database),
                   qPrintable(connection.lastError().text()));
        QSqlQuery query(connection);
        if (!query.exec(u"SELECT Nr, CD, DATEI, INFO, INHALT FROM CD ORDER BY Nr"_s))
            qFatal("cannot read %s: %s", qPrintable(database),
                   qPrintable(query.lastError().text()));
        while (query.next()) {
            CatalogueRecord &row = rows.emplace_back();
            for (int field = 0; field < int(row.size()); ++field)
                row[field] = fieldValue(query.value(field));
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
    return rows;
}

// Whether a row's text starts with its key.
enum class WithKey
{
    No,
    Yes
};

// Every row of a catalogue file in key order as "CD|DATEI|INFO|INHALT" (with "Nr|" in front when
// the key is wanted); NULL shows as <null>, apart from the empty text.
inline QStringList catalogueRowTexts(const QString &fileName, WithKey key = WithKey::No)
{
    using namespace Qt::StringLiterals;
    QStringList texts;
    for (const CatalogueRecord &row : catalogueRows(fileName)) {
        QStringList fields;
        for (size_t field = key == WithKey::Yes ? 0 : 1; field < row.size(); ++field)
            fields.append(row[field].value_or(u"<null>"_s));
        texts.append(fields.join(u'|'));
    }
    return texts;
}
