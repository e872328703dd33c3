// The catalogue maker on a real PostgreSQL server (the test run starts a throwaway one with
// pg_virtualenv, which sets the PG* variables): the tables it makes and the databases it refuses.

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TRALBO_NEWCATALOGUE), arguments);
    Outcome outcome;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        outcome.exitCode = process.exitCode();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
    }
    return outcome;
}

Outcome makeCatalogue(const QString &location)
{
    return runTool({location});
}

} // namespace

class TestServerCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void makesTheTablesOnceInAUtf8Database();
    void upgradeAddsOnlyTheMissingIndexes();
    void asksForThePasswordOnTheTerminal();

private:
    QString newDatabase(const QString &suffix);
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

QString TestServerCatalogue::newDatabase(const QString &suffix)
{
    const QString name =
        u"tralbo_schema_%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(suffix);
    exec(u"CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'"_s.arg(name));
    m_made.append(name);
    return name;
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
    m_made += {utf8, ascii};

    const Outcome made = makeCatalogue(u"postgresql:///"_s + utf8);
    QCOMPARE(made.err, QString());
    QCOMPARE(made.exitCode, 0);
    QCOMPARE(made.out, u"Katalog postgresql:///%1 angelegt: Tabellen cd und trees, Indexe "
                       u"cd_datei_upper_trigrams, cd_disc, cd_disc_or_empty\n"_s.arg(utf8));
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

void TestServerCatalogue::upgradeAddsOnlyTheMissingIndexes()
{
    const QString database = newDatabase(u"upgrade"_s);
    const QString location = u"dbname="_s + database;
    QCOMPARE(makeCatalogue(location).exitCode, 0);
    exec(u"INSERT INTO cd (cd, datei, datei_upper) VALUES ('A', 'd:\\x.exe', 'D:\\X.EXE'), "
         u"(NULL, 'd:\\y', 'D:\\Y')"_s,
         database);
    exec(u"INSERT INTO trees (disc, tree) VALUES ('A', 'x')"_s, database);
    // A catalogue as an earlier version made it: without the disc indexes.
    exec(u"DROP INDEX cd_disc"_s, database);
    exec(u"DROP INDEX cd_disc_or_empty"_s, database);
    const QString contents = u"SELECT md5(string_agg(x::text, ';' ORDER BY x::text)) FROM "
                             u"(SELECT cd::text AS x FROM cd UNION ALL "
                             u"SELECT trees::text FROM trees) rows"_s;
    const QString indexes = u"SELECT string_agg(indexname, ',' ORDER BY indexname) FROM pg_indexes "
                            u"WHERE tablename = 'cd'"_s;
    const QString before = exec(contents, database);

    const Outcome upgraded = runTool({u"--upgrade"_s, location});
    QCOMPARE(upgraded.err, QString());
    QCOMPARE(upgraded.exitCode, 0);
    QCOMPARE(upgraded.out,
             u"Katalog %1 ergänzt: Indexe cd_disc, cd_disc_or_empty\n"_s.arg(location));
    QCOMPARE(exec(indexes, database),
             u"cd_datei_upper_trigrams,cd_disc,cd_disc_or_empty,cd_pkey"_s);
    QCOMPARE(exec(contents, database), before);

    const Outcome again = runTool({u"--upgrade"_s, location});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out, u"Katalog %1 ist vollständig: kein Index fehlt\n"_s.arg(location));
    QCOMPARE(exec(contents, database), before);
}

// Without a password anywhere libpq looks, the tool asks on the terminal, never echoing it.
void TestServerCatalogue::asksForThePasswordOnTheTerminal()
{
    const QString database = newDatabase(u"password"_s);
    const QByteArray password = qgetenv("PGPASSWORD");
    if (password.isEmpty() || QStandardPaths::findExecutable(u"script"_s).isEmpty())
        QSKIP("needs a server that asks for a password (PGPASSWORD) and script(1)");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"PGPASSWORD"_s);
    environment.insert(u"PGPASSFILE"_s, u"/nonexistent/pgpass"_s);
    // On the server of the test run, connections over TCP need the password.
    environment.insert(u"PGHOST"_s, u"localhost"_s);
    QProcess terminal; // script(1) runs the tool on a terminal of its own
    terminal.setProcessEnvironment(environment);
    terminal.start(u"script"_s,
                   {u"-qec"_s, QStringLiteral(TRALBO_NEWCATALOGUE) + u" dbname="_s + database,
                    u"/dev/null"_s});
    QByteArray shown;
    QElapsedTimer waited;
    waited.start();
    while (!shown.contains("Passwort für Benutzer") && waited.elapsed() < 30000 &&
           terminal.waitForReadyRead(1000))
        shown += terminal.readAllStandardOutput();
    QVERIFY2(shown.contains("Passwort für Benutzer"), shown.constData());
    terminal.write(password + '\n');
    QVERIFY(terminal.waitForFinished(60000));
    shown += terminal.readAllStandardOutput();
    QCOMPARE(terminal.exitCode(), 0);
    QVERIFY2(shown.contains("angelegt: Tabellen cd und trees"), shown.constData());
    QVERIFY(!shown.contains(password));
    QCOMPARE(exec(u"SELECT count(*) FROM pg_tables WHERE tablename IN ('cd', 'trees')"_s, database),
             u"2"_s);
}

QTEST_GUILESS_MAIN(TestServerCatalogue)
#include "tst_servercatalogue.moc"
