#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueTable.h"
#include "CatalogueFixture.h"
#include "support/UnprivilegedScope.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// The bytes, the modification time and the folder's other files: what must stay as it was.
QStringList snapshot(const QString &fileName)
{
    QFile file(fileName);
    const QString bytes =
        file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toHex()) : QString();
    const QFileInfo info(fileName);
    return QStringList{bytes, info.lastModified().toString(Qt::ISODateWithMs)} +
           info.dir().entryList(QDir::Files | QDir::Hidden);
}

void writeFile(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

const CatalogueRecord SomeRecord{std::nullopt, u"DISC"_s, u"d:\\A.EXE"_s, std::nullopt,
                                 std::nullopt};

} // namespace

class TestCatalogueFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void locateCatalogue_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("found");
        QTest::newRow("none") << QStringList{u"other.db"_s, u"CD.db.bak"_s} << QString();
        QTest::newRow("exact") << QStringList{u"CD.db"_s} << u"CD.db"_s;
        QTest::newRow("other case") << QStringList{u"cd.DB"_s} << u"cd.DB"_s;
        QTest::newRow("exact first") << QStringList{u"cd.db"_s, u"CD.db"_s} << u"CD.db"_s;
        QTest::newRow("folder") << QStringList{u"cd.db/"_s} << QString();
    }
    void locateCatalogue()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        const QTemporaryDir folder;
        const QString directory = folder.path() + u'/';
        for (const QString &name : files) {
            if (name.endsWith(u'/'))
                QVERIFY(QDir(directory).mkdir(name));
            else
                writeFile(directory + name, "x");
        }
        QCOMPARE(::locateCatalogue(directory), found.isEmpty() ? QString() : directory + found);
    }

    // Anything but a catalogue fails to open, with a message, and is left exactly as it was.
    void rejectsWhatIsNoCatalogue_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("message");
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage += char(i * 7 % 251);
        const QString noCatalogue = u"keine CD-Datenbank"_s;
        QTest::newRow("missing") << QByteArray() << QString() << u"nicht gefunden"_s;
        QTest::newRow("garbage") << garbage << QString() << noCatalogue;
        QTest::newRow("empty file") << QByteArray("") << QString() << noCatalogue;
        QTest::newRow("damaged") << QByteArray("SQLite format 3", 16) + garbage << QString()
                                 << u"beschädigt"_s;
        QTest::newRow("other table")
            << QByteArray() << u"TABLE T (Nr INTEGER PRIMARY KEY)"_s << noCatalogue;
        QTest::newRow("four fields")
            << QByteArray() << u"TABLE CD (Nr INTEGER PRIMARY KEY, CD, DATEI, INFO)"_s
            << noCatalogue;
        QTest::newRow("other order")
            << QByteArray() << u"TABLE CD (Nr INTEGER PRIMARY KEY, DATEI, CD, INFO, INHALT)"_s
            << noCatalogue;
        QTest::newRow("no integer key")
            << QByteArray() << u"TABLE CD (Nr TEXT PRIMARY KEY, CD, DATEI, INFO, INHALT)"_s
            << noCatalogue;
        QTest::newRow("without rowid")
            << QByteArray()
            << u"TABLE CD (Nr INTEGER PRIMARY KEY, CD, DATEI, INFO, INHALT) WITHOUT ROWID"_s
            << noCatalogue;
        QTest::newRow("view") << QByteArray() << u"VIEW CD AS SELECT 1, 2, 3, 4, 5"_s
                              << noCatalogue;
    }
    void rejectsWhatIsNoCatalogue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, schema);
        QFETCH(QString, message);
        const CatalogueFixture fixture;
        const QString fileName = fixture.directory() + u"cd.db"_s;
        QVERIFY(QFile::remove(fixture.fileName()));
        if (!schema.isEmpty()) {
            QSqlDatabase maker = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"maker"_s);
            maker.setDatabaseName(fileName);
            QVERIFY(maker.open() && QSqlQuery(maker).exec(u"CREATE "_s + schema));
            maker = QSqlDatabase();
            QSqlDatabase::removeDatabase(u"maker"_s);
        } else if (!bytes.isNull()) {
            writeFile(fileName, bytes);
        }
        const QStringList before = snapshot(fileName);

        CatalogueTable table(CataloguePlace::file(fixture.directory() + u"CD.db"_s));
        QVERIFY(failureOf([&] { table.open(); }).contains(message));
        QVERIFY(!table.isOpen());
        BrowseQuery query(CataloguePlace::file(fixture.directory() + u"CD.DB"_s));
        QVERIFY(failureOf([&] { query.open(); }).contains(message));
        QVERIFY(!query.isOpen());
        QCOMPARE(snapshot(fileName), before);
    }

    // A catalogue that opens but cannot be changed: reading works, every change gives the
    // read-only message, and the file stays untouched.
    void readOnlyCatalogue_data()
    {
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("folderMode");
        QTest::newRow("read-only file") << 0444 << 0755;
        QTest::newRow("read-only folder") << 0666 << 0555;
    }
    void readOnlyCatalogue()
    {
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        const CatalogueFixture fixture;
        fixture.add({{u"DISC"_s, u"d:\\A.EXE"_s, u"Info"_s, {}}});
        const QByteArray folder = QFile::encodeName(fixture.directory());
        QCOMPARE(::chmod(QFile::encodeName(fixture.fileName()).constData(), mode_t(fileMode)), 0);
        QCOMPARE(::chmod(folder.constData(), mode_t(folderMode)), 0);
        const auto restore = qScopeGuard([&] { ::chmod(folder.constData(), 0700); });
        const QStringList before = snapshot(fixture.fileName());
        {
            const UnprivilegedScope unprivileged;
            if (unprivileged.failed())
                QSKIP("root without the right to change user");
            CatalogueTable table(fixture.place());
            table.open();
            QCOMPARE(failureOf([&] { table.edit(); }), CatalogueMessage::readOnly());
            table.close();

            BrowseQuery query(CataloguePlace::file(fixture.directory() + u"CD.DB"_s));
            query.open();
            QCOMPARE(query.field(0, 3), FieldValue(u"Info"_s));
            for (const auto &change : std::initializer_list<std::function<void()>>{
                     [&] { query.deleteRow(0); }, [&] { query.updateField(0, 3, u"neu"_s); },
                     [&] { query.appendNewRow(); }})
                QCOMPARE(failureOf(change), CatalogueMessage::readOnly());
        }
        QCOMPARE(snapshot(fixture.fileName()), before);
    }

    // Another connection's lock makes opening or editing fail after the short busy timeout, not
    // hang; once the lock is gone, the import works.
    void lockedCatalogue_data()
    {
        QTest::addColumn<QString>("begin");
        QTest::addColumn<bool>("opens");
        QTest::newRow("reading too") << u"BEGIN EXCLUSIVE"_s << false;
        QTest::newRow("writing") << u"BEGIN IMMEDIATE"_s << true;
    }
    void lockedCatalogue()
    {
        QFETCH(QString, begin);
        QFETCH(bool, opens);
        const CatalogueFixture fixture;
        QSqlDatabase holder = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
        const auto remove = qScopeGuard([&] {
            holder = QSqlDatabase();
            QSqlDatabase::removeDatabase(u"holder"_s);
        });
        holder.setDatabaseName(fixture.fileName());
        QSqlQuery lock(holder);
        QVERIFY(holder.open() && lock.exec(begin));

        CatalogueTable table(fixture.place());
        QElapsedTimer timer;
        timer.start();
        const QString failure = failureOf([&] {
            table.open();
            table.edit();
        });
        QVERIFY2(failure.contains(u"gesperrt"_s), qPrintable(failure));
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(table.isOpen(), opens);
        table.close();

        QVERIFY(lock.exec(u"ROLLBACK"_s));
        table.open();
        table.edit();
        table.insert(SomeRecord);
        table.close();
        QCOMPARE(fixture.stored().size(), size_t(1));
    }

    void newCatalogueTool()
    {
        const QTemporaryDir folder;
        const QString fileName = folder.filePath(u"CD.db"_s);
        const auto run = [&] {
            QProcess tool;
            tool.start(QString::fromUtf8(TRALBO_NEWCATALOGUE), {fileName});
            return tool.waitForFinished() ? std::pair(tool.exitCode(), tool.readAllStandardError())
                                          : std::pair(-1, QByteArray());
        };
        QCOMPARE(run().first, 0);
        CatalogueTable table(CataloguePlace::file(fileName));
        table.open();
        table.insert(SomeRecord);
        table.close();

        const QStringList before = snapshot(fileName);
        const auto [exitCode, errors] = run();
        QCOMPARE(exitCode, 1);
        QVERIFY(QString::fromUtf8(errors).contains(u"nicht überschrieben"_s));
        QCOMPARE(snapshot(fileName), before);
    }

    // Options never become file names: help is printed, anything else is a usage error, and an
    // upgrade of a file has nothing to do.
    void newCatalogueToolOptions()
    {
        const QTemporaryDir folder;
        const auto run = [&](const QStringList &arguments) {
            QProcess tool;
            tool.setWorkingDirectory(folder.path());
            tool.start(QString::fromUtf8(TRALBO_NEWCATALOGUE), arguments);
            const bool ended = tool.waitForFinished();
            return std::tuple(ended ? tool.exitCode() : -1,
                              QString::fromUtf8(tool.readAllStandardOutput()),
                              QString::fromUtf8(tool.readAllStandardError()));
        };
        for (const QString &help : {u"--help"_s, u"-h"_s}) {
            const auto [exitCode, out, err] = run({help});
            QCOMPARE(exitCode, 0);
            QVERIFY2(out.startsWith(u"Aufruf: tralbo-newcatalogue DATEI|postgresql://"_s) &&
                         out.contains(u"--upgrade"_s),
                     qPrintable(out));
            QCOMPARE(err, QString());
        }
        for (const QStringList &wrong : {QStringList{u"--bogus"_s}, QStringList{u"-x"_s},
                                         QStringList{u"--upgrade"_s, u"-CD.db"_s}}) {
            const auto [exitCode, out, err] = run(wrong);
            QCOMPARE(exitCode, 2);
            QCOMPARE(out, QString());
            QVERIFY2(err.contains(u"unbekannte Option "_s + wrong.last()), qPrintable(err));
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        }

        const QString fileName = folder.filePath(u"CD.db"_s);
        const auto [made, madeLine, madeErrors] = run({fileName});
        QCOMPARE(made, 0);
        QCOMPARE(madeErrors, QString());
        QCOMPARE(madeLine,
                 u"Katalog %1 angelegt: Tabelle CD mit Nr, CD, DATEI, INFO und INHALT\n"_s.arg(
                     fileName));
        const QStringList before = snapshot(fileName);
        const auto [upgraded, upgradeLine, upgradeErrors] = run({u"--upgrade"_s, fileName});
        QCOMPARE(upgraded, 0);
        QCOMPARE(upgradeErrors, QString());
        QCOMPARE(upgradeLine, fileName + u" ist eine Katalogdatei: nichts zu ergänzen\n"_s);
        QCOMPARE(snapshot(fileName), before);
    }
};

QTEST_GUILESS_MAIN(TestCatalogueFile)
#include "tst_cataloguefile.moc"
