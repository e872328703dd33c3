#pragma once

#include "catalogue/CataloguePlace.h"
#include "catalogue/ServerSchema.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

// An empty catalogue in a database of its own on the PostgreSQL server of the test run (the PG*
// variables that pg_virtualenv sets), dropped again at the end. Each one is a copy of a template
// that the program's own catalogue maker makes once per process, which is much faster than
// making the tables each time.
class ServerDatabase
{
public:
    ServerDatabase()
        : m_name(
              QStringLiteral("tralbo_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made()))
    {
        administer(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_name, templateName()));
    }
    ~ServerDatabase() { administer(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_name)); }
    Q_DISABLE_COPY_MOVE(ServerDatabase)

    // Whether the test run has a server.
    static bool available() { return !qEnvironmentVariableIsEmpty("PGPORT"); }

    const QString &name() const { return m_name; }
    QString location() const { return QStringLiteral("dbname=") + m_name; }
    CataloguePlace place() const { return CataloguePlace::of(location(), QString()); }

    // Runs the statement on the database (or the maintenance database "postgres"); the first
    // column of its first row, if any.
    static QVariant run(const QString &sql, const QString &database = QStringLiteral("postgres"))
    {
        QVariant value;
        {
            QSqlDatabase connection =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("administer"));
            connection.setDatabaseName(database);
            if (!connection.open())
                qFatal("cannot reach %s: %s", qPrintable(database),
                       qPrintable(connection.lastError().text()));
            QSqlQuery query(connection);
            if (!query.exec(sql))
                qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
            if (query.next())
                value = query.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("administer"));
        return value;
    }
    QVariant query(const QString &sql) const { return run(sql, m_name); }

    static void dropTemplate()
    {
        if (templateMade())
            administer(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(templateName()));
        templateMade() = false;
    }

private:
    static void administer(const QString &sql) { run(sql); }
    static int &made()
    {
        static int count = 0;
        return count;
    }
    static bool &templateMade()
    {
        static bool done = false;
        return done;
    }
    static QString templateName()
    {
        const QString name =
            QStringLiteral("tralbo_template_%1").arg(QCoreApplication::applicationPid());
        if (!templateMade()) {
            administer(
                QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name));
            createServerCatalogue(CataloguePlace::of(QStringLiteral("dbname=") + name, {}));
            templateMade() = true;
        }
        return name;
    }

    QString m_name;
};
