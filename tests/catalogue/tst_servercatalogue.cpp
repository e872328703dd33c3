// The catalogue maker on a real PostgreSQL server (the test run starts a throwaway one with
// pg_virtualenv, which sets the PG* variables): the tables it makes and the databases it refuses.

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Outcome
{
    int exitCode = -1;
    QString err;
};

Outcome makeCatalogue(const QString &location)
{
    QProcess process;
    process.start(QStringLiteral(TRALBO_NEWCATALOGUE), {location});
    Outcome outcome;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        outcome.exitCode = process.exitCode();
        outcome.err = QString::fromUtf8(process.readAllStandardError());
    }
    return outcome;
}

} // namespace

class TestServerCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void makesTheTablesOnceInAUtf8Database();

private:
    QString exec(const QString &sql, const QString &database = u"postgres"_s);
    QStringList m_made;
};

QString TestServerCatalogue::exec(const QString &sql, const QString &database)
{
    QString value;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(u"QPSQL"_s, u"test"_s);
        connection.setDatabaseName(database);
        if (!connection.open())
            qFatal("%s", qPrintable(connection.lastError().text()));
        QSqlQuery query(connection);
        if (!query.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        if (query.next())
            value = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(u"test"_s);
    return value;
}

void TestServerCatalogue::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("PGPORT"))
        QSKIP("No PostgreSQL server: make test runs this under pg_virtualenv when PostgreSQL is "
              "installed");
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s))
        QFAIL("Qt's PostgreSQL driver is missing (libqt6sql6-psql)");
}

void TestServerCatalogue::cleanupTestCase()
{
    for (const QString &database : std::as_const(m_made))
        exec(u"DROP DATABASE IF EXISTS %1"_s.arg(database));
}

void TestServerCatalogue::makesTheTablesOnceInAUtf8Database()
{
    const QString utf8 = u"tralbo_schema_%1"_s.arg(QCoreApplication::applicationPid());
    const QString ascii = utf8 + u"_ascii"_s;
    exec(u"CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'"_s.arg(utf8));
    exec(u"CREATE DATABASE %1 TEMPLATE template0 ENCODING 'SQL_ASCII'"_s.arg(ascii));
    m_made = {utf8, ascii};

    const Outcome made = makeCatalogue(u"postgresql:///"_s + utf8);
    QCOMPARE(made.err, QString());
    QCOMPARE(made.exitCode, 0);
    QCOMPARE(exec(u"SELECT string_agg(column_name, ',' ORDER BY ordinal_position) FROM "
                  u"information_schema.columns WHERE table_name = 'cd'"_s,
                  utf8),
             u"nr,cd,datei,info,inhalt,datei_upper"_s);
    // The key numbers itself; NULL stays apart from the empty text.
    QCOMPARE(exec(u"INSERT INTO cd (cd, datei, info) VALUES ('A', 'd:\\X.EXE', '') "
                  u"RETURNING nr::text || (info = '')::text || (inhalt IS NULL)::text"_s,
                  utf8),
             u"1truetrue"_s);
    QVERIFY(exec(u"SELECT indexdef FROM pg_indexes WHERE tablename = 'cd' AND indexdef LIKE "
                 u"'%gin_trgm_ops%'"_s,
                 utf8)
                .contains(u"datei_upper"_s));
    QCOMPARE(exec(u"SELECT count(*) FROM trees"_s, utf8), u"0"_s);
    // The disc filter's LIKE is served under any collation, an export's disc read by its own.
    QCOMPARE(exec(u"SELECT string_agg(indexdef, '; ' ORDER BY indexname) FROM pg_indexes "
                  u"WHERE indexname LIKE 'cd_disc%'"_s,
                  utf8),
             u"CREATE INDEX cd_disc ON public.cd USING btree (cd text_pattern_ops, nr); "
             u"CREATE INDEX cd_disc_or_empty ON public.cd USING btree (COALESCE(cd, ''::text), "
             u"nr)"_s);

    const Outcome again = makeCatalogue(u"dbname="_s + utf8);
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.err.contains(u"enthält schon einen Katalog"_s), qPrintable(again.err));
    QCOMPARE(exec(u"SELECT count(*) FROM cd"_s, utf8), u"1"_s);

    const Outcome notUtf8 = makeCatalogue(u"postgresql:///"_s + ascii);
    QCOMPARE(notUtf8.exitCode, 1);
    QVERIFY2(notUtf8.err.contains(u"nicht UTF-8"_s), qPrintable(notUtf8.err));
    QCOMPARE(exec(u"SELECT count(*) FROM pg_tables WHERE tablename IN ('cd', 'trees')"_s, ascii),
             u"0"_s);

    const Outcome unreadable = makeCatalogue(u"postgresql://[::1"_s);
    QCOMPARE(unreadable.exitCode, 1);
    QVERIFY2(unreadable.err.contains(u"ungültig"_s), qPrintable(unreadable.err));
}

QTEST_GUILESS_MAIN(TestServerCatalogue)
#include "tst_servercatalogue.moc"
