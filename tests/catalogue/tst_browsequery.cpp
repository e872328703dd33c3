#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueTable.h"
#include "CatalogueFixture.h"

#include <QAbstractItemModelTester>

using namespace Qt::StringLiterals;
using Kind = BrowseRequest::Kind;

Q_DECLARE_METATYPE(BrowseRequest::Kind)

namespace {

// The given field of every row of the query, fetching all rows first.
QStringList columnOf(BrowseQuery &query, int column)
{
    while (query.canFetchMore({}))
        query.fetchMore({});
    QStringList values;
    for (int row = 0; row < query.rowCount(); ++row)
        values << query.field(row, column).value_or(u"<NULL>"_s);
    return values;
}

QStringList discNamesOf(const BrowseQuery &query)
{
    QStringList names;
    query.forEachDiscName([&](const QString &name) { names << name; });
    return names;
}

std::vector<Fields> numbered(int count, const QString &disc = u"DISC"_s)
{
    std::vector<Fields> records;
    for (int i = 0; i < count; ++i)
        records.push_back({disc, u"d:\\F%1.EXE"_s.arg(i), {}, {}});
    return records;
}

} // namespace

class TestBrowseQuery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Disc names are case-sensitive LIKE patterns and the search ignores letter case by Unicode's
    // rules; "%" and "_" are wildcards, anything else typed is only text.
    void selects_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found");
        QTest::newRow("all") << Kind::AllDiscs << QString() << u"1 2 3 4 5 6 7 8 9 10 11"_s;
        QTest::newRow("disc") << Kind::DiscFilter << u"MYCD"_s << u"1 5"_s;
        QTest::newRow("disc case") << Kind::DiscFilter << u"mycd"_s << u"2"_s;
        QTest::newRow("disc _") << Kind::DiscFilter << u"CD_1"_s << u"3 4"_s;
        QTest::newRow("disc %") << Kind::DiscFilter << u"CD%"_s << u"3 4 6"_s;
        QTest::newRow("disc empty") << Kind::DiscFilter << QString() << u"7"_s;
        QTest::newRow("disc quote") << Kind::DiscFilter << u"a\"b"_s << u"9"_s;
        QTest::newRow("disc apostrophe") << Kind::DiscFilter << u"it's\\"_s << u"10"_s;
        QTest::newRow("disc statement")
            << Kind::DiscFilter << u"\"; DROP TABLE CD; --"_s << u"11"_s;
        QTest::newRow("disc OR") << Kind::DiscFilter << u"\" OR 1=1 OR \""_s << QString();
        QTest::newRow("search case") << Kind::FileNameSearch << u"readme"_s << u"1"_s;
        QTest::newRow("search ß") << Kind::FileNameSearch << u"straße"_s << u"2 3"_s;
        QTest::newRow("search SS") << Kind::FileNameSearch << u"STRASSE"_s << u"2 3"_s;
        QTest::newRow("search Ä") << Kind::FileNameSearch << u"ärger"_s << u"5"_s;
        QTest::newRow("search _") << Kind::FileNameSearch << u"r_adme"_s << u"1"_s;
        QTest::newRow("search empty")
            << Kind::FileNameSearch << QString() << u"1 2 3 5 6 7 8 9 10 11"_s;
        QTest::newRow("search quotes") << Kind::FileNameSearch << u"'s \""_s << u"6"_s;
        QTest::newRow("search statement")
            << Kind::FileNameSearch << u"')); DROP TABLE CD; --"_s << QString();
    }
    void selects()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, text);
        QFETCH(QString, found);
        const CatalogueFixture fixture;
        const QStringList discs{u"MYCD"_s,
                                u"mycd"_s,
                                u"CD_1"_s,
                                u"CDX1"_s,
                                u"MYCD"_s,
                                u"CD-ROM"_s,
                                u""_s,
                                {},
                                u"a\"b"_s,
                                u"it's\\"_s,
                                u"\"; DROP TABLE CD; --"_s};
        const QStringList paths{u"D:\\DOCS\\README.TXT"_s, u"d:\\STRASSE\\A.EXE"_s,
                                u"d:\\straße\\b.exe"_s,    {},
                                u"d:\\ÄRGER.TXT"_s,        u"d:\\it's \"x\".bat"_s};
        std::vector<Fields> records;
        for (int i = 0; i < discs.size(); ++i)
            records.push_back(
                {discs[i], i < paths.size() ? QVariant(paths[i]) : u"d:\\X"_s, {}, {}});
        fixture.add(records);

        BrowseQuery query(fixture.place());
        query.setRequest({kind, text});
        query.setRequestLive(false);
        query.open();
        const QStringList keys = columnOf(query, 0);
        QCOMPARE(keys.join(u' '), found);
        QCOMPARE(query.resultRowCount(), keys.size());
        QCOMPARE(fixture.stored().size(), size_t(11));
    }

    void fetchesLazily()
    {
        const CatalogueFixture fixture;
        fixture.add(numbered(10'000));
        fixture.add({{u"A"_s, u"d:\\X"_s, u""_s, {}}});
        BrowseQuery query(fixture.place());
        const QAbstractItemModelTester tester(&query);
        query.open();
        const int firstBatch = query.rowCount();
        QVERIFY(firstBatch > 0 && firstBatch < 1'000);
        query.fetchMore({});
        QCOMPARE(query.rowCount(), 2 * firstBatch);

        const QStringList paths = columnOf(query, 2);
        QCOMPARE(paths.size(), 10'001);
        for (int row = 0; row < 10'000; ++row)
            QCOMPARE(paths[row], u"d:\\F%1.EXE"_s.arg(row));
        QCOMPARE(query.data(query.index(10'000, 0)), QVariant(qint64(10'001)));
        QCOMPARE(query.data(query.index(10'000, 3), Qt::EditRole), QVariant(u""_s));
        QVERIFY(!query.data(query.index(10'000, 4)).isValid());
        query.close();
        QCOMPARE(query.rowCount(), 0);
    }

    // The walk covers the whole result in order, not only the rows fetched; NULL is empty.
    void forEachDiscName_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        const QStringList all =
            QStringList{u"A"_s, u"A"_s, u"B"_s, u""_s, u""_s, u"A"_s} + QStringList(600, u"C"_s);
        QTest::newRow("first opening") << Kind::FirstOpening << QString() << all;
        QTest::newRow("disc filter")
            << Kind::DiscFilter << u"A"_s << QStringList{u"A"_s, u"A"_s, u"A"_s};
        QTest::newRow("search") << Kind::FileNameSearch << u"\\b"_s << QStringList{u"B"_s, u""_s};
    }
    void forEachDiscName()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        const CatalogueFixture fixture;
        fixture.add({{u"A"_s, u"d:\\a1"_s, {}, {}},
                     {u"A"_s, u"d:\\a2"_s, {}, {}},
                     {u"B"_s, u"d:\\b1"_s, {}, {}},
                     {QVariant(), u"d:\\b2"_s, {}, {}},
                     {u""_s, u"d:\\e"_s, {}, {}},
                     {u"A"_s, u"d:\\a3"_s, {}, {}}});
        fixture.add(numbered(600, u"C"_s));
        BrowseQuery query(fixture.place());
        query.setRequest({kind, text});
        QCOMPARE(failureOf([&] { discNamesOf(query); }), CatalogueMessage::closedDataSet());
        QCOMPARE(failureOf([&] { query.resultRowCount(); }), CatalogueMessage::closedDataSet());
        query.open();
        QCOMPARE(discNamesOf(query), names);
        QCOMPARE(query.resultRowCount(), names.size());
    }

    // Only an open live result is edited, each change written at once; an appended record
    // stays last and is not read again with the later batches.
    void liveEditing_data()
    {
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("live") << true << true << QString();
        QTest::newRow("read-only") << false << true << CatalogueMessage::readOnly();
        QTest::newRow("closed") << true << false << CatalogueMessage::closedDataSet();
    }
    void liveEditing()
    {
        QFETCH(bool, live);
        QFETCH(bool, open);
        QFETCH(QString, refusal);
        const CatalogueFixture fixture;
        fixture.add(numbered(300));
        BrowseQuery query(fixture.place());
        query.setRequestLive(live);
        if (open)
            query.open();
        const std::vector<CatalogueRecord> before = fixture.stored();
        for (const auto &change : std::initializer_list<std::function<void()>>{
                 [&] { query.updateField(0, 3, u"neu\r\nZeile 2"_s); },
                 [&] { query.updateField(1, 3, u""_s); }, [&] { query.updateField(2, 1, {}); },
                 [&] { query.deleteRow(3); }, [&] { QCOMPARE(query.appendNewRow(), 255); },
                 [&] { query.postNewRow({}, u"Liste"_s); }})
            QCOMPARE(failureOf(change), refusal);
        if (!refusal.isEmpty()) {
            QCOMPARE(fixture.stored(), before);
            return;
        }
        const std::vector<CatalogueRecord> stored = fixture.stored();
        QCOMPARE(stored.size(), size_t(300));
        QCOMPARE(stored[0][3], FieldValue(u"neu\r\nZeile 2"_s));
        QVERIFY(stored[1][3].has_value() && stored[1][3]->isEmpty());
        QVERIFY(!stored[2][1].has_value());
        QCOMPARE(stored[3][2], FieldValue(u"d:\\F4.EXE"_s));
        QCOMPARE(stored.back(), (CatalogueRecord{u"301"_s, {}, {}, {}, u"Liste"_s}));

        QCOMPARE(columnOf(query, 0).last(), u"301"_s);
        QCOMPARE(columnOf(query, 2).count(u"<NULL>"_s), 1);
        QCOMPARE(query.field(0, 3), FieldValue(u"neu\r\nZeile 2"_s));
        QCOMPARE(discNamesOf(query).size(), 300);
        QCOMPARE(query.resultRowCount(), 300);
    }

    // A path changed on the browse page is found by the search under its new name only.
    void editedPathIsSearchedAnew()
    {
        const CatalogueFixture fixture;
        fixture.add(numbered(3));
        BrowseQuery query(fixture.place());
        query.open();
        query.updateField(1, 2, u"d:\\SPIELE\\STRAßE.EXE"_s);
        query.close();
        for (const auto &[text, found] :
             {std::pair{u"strasse"_s, u"2"_s}, {u"f1.exe"_s, QString()}}) {
            query.setRequest({Kind::FileNameSearch, text});
            query.open();
            QCOMPARE(columnOf(query, 0).join(u' '), found);
        }
    }

    // Between batches the open query holds no lock, so an import can write meanwhile.
    void openQueryLetsImportWrite()
    {
        const CatalogueFixture fixture;
        fixture.add(numbered(1'000));
        BrowseQuery query(fixture.place());
        query.open();
        CatalogueTable table(fixture.place());
        table.open();
        table.edit();
        table.insert({std::nullopt, u"NEW"_s, u"d:\\NEW.EXE"_s, std::nullopt, std::nullopt});
        table.close();
        QCOMPARE(columnOf(query, 0).size(), 1'000);
        query.close();
        query.open();
        QCOMPARE(columnOf(query, 0).size(), 1'001);
    }
};

TRALBO_TEST_ON_EACH_BACKEND(TestBrowseQuery)
#include "tst_browsequery.moc"
