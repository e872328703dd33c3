#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueTable.h"
#include "CatalogueFixture.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using Records = std::vector<CatalogueRecord>;
Q_DECLARE_METATYPE(Records)

namespace {

CatalogueRecord record(const FieldValue &disc, const FieldValue &path, const FieldValue &info = {},
                       const FieldValue &listing = {})
{
    return {std::nullopt, disc, path, info, listing};
}

// Keys aside, field by field, NULL told from an empty text (which QString's == does not).
bool sameFields(const Records &stored, const Records &expected)
{
    const auto text = [](const FieldValue &value) { return value ? u'=' + *value : u"NULL"_s; };
    for (size_t i = 0; i < expected.size(); ++i) {
        for (int position = 1; position < 5; ++position) {
            if (i >= stored.size() || text(stored[i][position]) != text(expected[i][position]))
                return false;
        }
    }
    return stored.size() == expected.size();
}

} // namespace

class TestCatalogueTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<Records>("inserted");
        QTest::addColumn<Records>("stored");
        const Records plain{record(u"MYCD"_s, u"d:\\GAMES\\DOOM\\SETUP.EXE"_s)};
        QTest::newRow("no texts") << plain << plain;
        const Records lines{record(u"MYCD"_s, u"d:\\A.ZIP"_s, u"Zeile 1\r\n\r\n  Ende\r\n"_s,
                                   u"A.TXT\r\nB.TXT\r\n"_s),
                            record(u"MYCD"_s, u"d:\\B.TXT"_s, u"a\nb\rc"_s)};
        QTest::newRow("line breaks") << lines << lines;
        const Records empty{record(u""_s, u""_s, u""_s)};
        QTest::newRow("empty is not NULL") << empty << empty;
        QTest::newRow("null QString is empty") << Records{record(QString(), u"d:\\A"_s, QString())}
                                               << Records{record(u""_s, u"d:\\A"_s, u""_s)};
        const Records hostile{record(u"Ärger \"x\" 'y' \\z; DROP TABLE CD; --"_s,
                                     u"d:\\ÜBER\\STRAßE.EXE"_s, u"€ ☺ \t\\N Ende"_s)};
        QTest::newRow("quotes and Unicode") << hostile << hostile;
        // A server's text cannot hold NUL at all; a scan never gives one.
        if (CatalogueFixture::backEnd() == BackEnd::File) {
            const Records nul{record(u"MYCD"_s, u"d:\\A"_s, u"€ ☺ \u0000 Ende"_s)};
            QTest::newRow("NUL") << nul << nul;
        }
        QTest::newRow("key ignored")
            << Records{{u"999"_s, u"MYCD"_s, u"d:\\GAMES\\DOOM\\SETUP.EXE"_s, {}, {}}} << plain;
        Records many;
        for (int i = 0; i < 300; ++i)
            many.push_back(record(u"MYCD"_s, u"d:\\F%1"_s.arg(299 - i), QString(i * 50, u'x')));
        QTest::newRow("order of many") << many << many;
    }
    void roundTrip()
    {
        QFETCH(Records, inserted);
        QFETCH(Records, stored);
        const CatalogueFixture fixture;
        fixture.add({{u"OLD"_s, u"d:\\OLD"_s, {}, {}}});
        CatalogueTable table(fixture.place());
        table.open();
        table.edit();
        for (const CatalogueRecord &each : inserted)
            table.insert(each);
        table.close();

        Records records = fixture.stored();
        QCOMPARE(records.back()[0], FieldValue(QString::number(records.size())));
        records.erase(records.begin());
        QVERIFY(sameFields(records, stored));
        QCOMPARE(fixture.journals(), QStringList());
    }

    // Under a unique key over CD and DATEI a repeated record is rejected; the records before it
    // stay once the table is closed, also when it is closed by its destruction.
    void rejectedRecordKeepsEarlierOnes_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::newRow("close") << true;
        QTest::newRow("destruction") << false;
    }
    void rejectedRecordKeepsEarlierOnes()
    {
        QFETCH(bool, closed);
        const CatalogueFixture fixture;
        fixture.write({u"CREATE UNIQUE INDEX Once ON CD (CD, DATEI)"_s});
        const Records kept{record(u"MYCD"_s, u"d:\\A.EXE"_s, u"a"_s),
                           record(u"MYCD"_s, u"d:\\B"_s)};
        {
            CatalogueTable table(fixture.place());
            table.open();
            table.edit();
            for (const CatalogueRecord &each : kept)
                table.insert(each);
            QVERIFY(failureOf([&] { table.insert(kept[0]); }).startsWith(u"Datensatz abgelehnt"_s));
            if (closed)
                table.close();
        }
        QVERIFY(sameFields(fixture.stored(), kept));
        QCOMPARE(fixture.journals(), QStringList());
    }

    // A process that dies inside an import has written pages of the file already; the next
    // opening rolls them back, so none of that import's records remain. A server rolls the
    // transaction back when its connection goes.
    void diedImportLeavesNoRecords()
    {
        const CatalogueFixture fixture;
        fixture.add({{u"OLD"_s, u"d:\\OLD.EXE"_s, {}, {}}});
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            try {
                CatalogueTable table(fixture.place());
                table.open();
                table.edit();
                // More than SQLite's page cache holds, so pages reach the file before the end.
                for (int i = 0; i < 4000; ++i)
                    table.insert(record(u"NEW"_s, u"d:\\F%1"_s.arg(i), QString(2000, u'i')));
                _exit(0); // with the table still open
            } catch (...) {
                _exit(3);
            }
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (CatalogueFixture::backEnd() == BackEnd::File)
            QCOMPARE(fixture.journals(), QStringList{u"CD.db-journal"_s});

        CatalogueTable table(fixture.place());
        table.open();
        table.close();
        QVERIFY(sameFields(fixture.stored(), {record(u"OLD"_s, u"d:\\OLD.EXE"_s)}));
        QCOMPARE(fixture.journals(), QStringList());
    }

    // An import of many records with a refused one in the middle keeps exactly those before it,
    // in order, however the records are sent.
    void appendKeepsRecordsBeforeRejected()
    {
        const CatalogueFixture fixture;
        fixture.write({u"CREATE UNIQUE INDEX Once ON CD (CD, DATEI)"_s});
        constexpr qsizetype Refused = 3100;
        const auto recordAt = [](qsizetype index) {
            return record(u"MYCD"_s, u"d:\\F%1"_s.arg(index == Refused ? 7 : index),
                          u"Zeile\tmit\\Tab\r\n"_s);
        };
        CatalogueTable table(fixture.place());
        table.open();
        table.edit();
        QCOMPARE(table.append(5000, recordAt), Refused);
        table.close();
        Records expected;
        for (qsizetype index = 0; index < Refused; ++index)
            expected.push_back(recordAt(index));
        QVERIFY(sameFields(fixture.stored(), expected));
    }

    void closedTableRefuses()
    {
        const CatalogueFixture fixture;
        CatalogueTable table(fixture.place());
        table.close();
        QCOMPARE(failureOf([&] { table.edit(); }), CatalogueMessage::closedDataSet());
        QCOMPARE(failureOf([&] { table.insert(record(u"A"_s, u"B"_s)); }),
                 CatalogueMessage::closedDataSet());
        QVERIFY(fixture.stored().empty());
    }
};

TRALBO_TEST_ON_EACH_BACKEND(TestCatalogueTable)
#include "tst_cataloguetable.moc"
