#include "catalogue/BrowseQuery.h"
#include "catalogue/BrowseResult.h"
#include "catalogue/CatalogueTable.h"
#include "catalogue/SearchIndex.h"
#include "CatalogueFixture.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

#include <random>

using namespace Qt::StringLiterals;
using IndexUse = BrowseResult::IndexUse;

namespace {

// Everything a search gives: the keys of all its batches in order, its count and its disc walk.
struct Found
{
    QList<qint64> keys;
    qsizetype count = 0;
    QStringList discs;
    bool readIndex = true; // every read went through the index

    bool operator==(const Found &other) const
    {
        return keys == other.keys && count == other.count && discs == other.discs;
    }
};

Found search(const QString &catalogue, const QString &text, IndexUse use = IndexUse::Read)
{
    BrowseResult result(CataloguePlace::file(catalogue), CatalogueConnection::Access::ReadOnly,
                        {BrowseRequest::Kind::FileNameSearch, text}, use);
    Found found;
    for (int index = 0; index < result.fetchedSize(); ++index)
        found.keys << result.row(index).key;
    found.readIndex = result.readIndex();
    while (!result.atEnd()) {
        for (const BrowseResult::Row &row : result.readBatch())
            found.keys << row.key;
        found.readIndex = found.readIndex && result.readIndex();
    }
    found.count = result.count();
    result.forEachDiscName([&](const QString &name) { found.discs << name; });
    found.readIndex = found.readIndex && result.readIndex();
    return found;
}

QList<qint64> keysFound(const QString &catalogue, const QString &text)
{
    return search(catalogue, text).keys;
}

// Paths of letters whose upper case is longer (ß, ﬀ, ŉ) or another letter (ſ, ς), umlauts,
// characters outside the BMP, LIKE's wildcards, quotes and backslashes; a third of them in one
// folder, so that some searches run over many batches.
class PathGenerator
{
public:
    QString next()
    {
        static const QStringList pieces{
            u"a"_s,  u"B"_s,   u"c"_s,    u"X"_s,      u"y"_s,       u"ä"_s,   u"Ö"_s,     u"ü"_s,
            u"ß"_s,  u"ẞ"_s,   u"ſ"_s,    u"ﬀ"_s,      u"ŉ"_s,       u"ς"_s,   u"é"_s,     u"%"_s,
            u"_"_s,  u"'"_s,   u"\""_s,   u"\\"_s,     u" "_s,       u"."_s,   u"0"_s,     u"😀"_s,
            u"ab"_s, u"abc"_s, u"game"_s, u"Straße"_s, u"STRASSE"_s, u"EXE"_s, u"\xdc00"_s};
        QString path = pick(3) == 0 ? u"d:\\GAMES\\"_s : u"d:\\"_s;
        for (int count = 1 + pick(12); count > 0; --count)
            path += pieces[pick(pieces.size())];
        return path;
    }

    // A piece of the path in another letter case here and there, with wildcards in places.
    QString patternFrom(const QString &path)
    {
        const qsizetype first = pick(path.size());
        QString pattern;
        for (const QChar character : path.mid(first, 1 + pick(8))) {
            const int choice = pick(20);
            pattern += choice == 0   ? u"_"_s
                       : choice == 1 ? u"%"_s
                       : choice < 6  ? QString(character).toLower()
                       : choice < 10 ? QString(character).toUpper()
                                     : QString(character);
        }
        return pattern;
    }

    int pick(qsizetype count) { return int(m_random() % quint32(count)); }

private:
    std::mt19937 m_random{20'240'611};
};

std::vector<Fields> generatedRecords(PathGenerator &generator, int count)
{
    std::vector<Fields> records;
    for (int i = 0; i < count; ++i) {
        const int kind = generator.pick(40);
        records.push_back({u"DISC %1"_s.arg(i / 300),
                           kind == 0   ? QVariant()
                           : kind == 1 ? QVariant(u""_s)
                                       : QVariant(generator.next()),
                           {},
                           {}});
    }
    return records;
}

void import(const QString &catalogue, const std::vector<Fields> &records)
{
    CatalogueTable table(CataloguePlace::file(catalogue));
    table.open();
    table.edit();
    table.append(qsizetype(records.size()), [&](qsizetype index) {
        const Fields &fields = records[std::size_t(index)];
        return CatalogueRecord{std::nullopt, fields[0].toString(),
                               fields[1].isNull() ? FieldValue() : fields[1].toString(),
                               std::nullopt, std::nullopt};
    });
    table.close();
}

BrowseQuery *liveQueryOfAll(const CatalogueFixture &fixture, QObject *parent)
{
    auto *query = new BrowseQuery(fixture.place(), parent);
    query->setRequest({BrowseRequest::Kind::AllDiscs, {}});
    query->open();
    while (query->canFetchMore({}))
        query->fetchMore({});
    return query;
}

int rowOfKey(const BrowseQuery &query, qint64 key)
{
    for (int row = 0; row < query.rowCount(); ++row) {
        if (query.field(row, 0) == QString::number(key))
            return row;
    }
    return -1;
}

} // namespace

class TestSearchIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Through the index a search finds exactly the rows, count and disc names of the scan, for
    // random pieces of the stored paths and for hostile texts, also over records imported after
    // the index was built and across batches.
    void findsWhatTheScanFinds()
    {
        const CatalogueFixture fixture;
        PathGenerator generator;
        const std::vector<Fields> records = generatedRecords(generator, 2'500);
        fixture.add(records);
        const SearchIndex index = SearchIndex::forCatalogue(fixture.fileName());
        index.rebuild();
        import(fixture.fileName(), generatedRecords(generator, 500));
        QVERIFY(index.isFresh());

        const QString loneSurrogate(QChar(0xdc00));
        QStringList patterns{u""_s,          u"%"_s,
                             u"_"_s,         u"%%%"_s,
                             u"___"_s,       u"%_%"_s,
                             u"a"_s,         u"ab"_s,
                             u"abc"_s,       u"ß"_s,
                             u"ss"_s,        u"straße"_s,
                             u"STRASSE"_s,   u"sSs"_s,
                             u"ſſ"_s,        u"ﬀ"_s,
                             u"ŉab"_s,       u"ΣΣ"_s,
                             u"äÖü"_s,       u"'\"\\"_s,
                             u"\\\\"_s,      u"'; DROP TABLE CD; --"_s,
                             u"\" OR 1=1"_s, u"a_c"_s,
                             u"ab%c"_s,      u"%ab"_s,
                             u"a b"_s,       u"😀"_s,
                             u"😀😀x"_s,       loneSurrogate + u"ab"_s,
                             u"game"_s,      u"\\games\\"_s,
                             u"g_me"_s,      u"exe"_s};
        while (patterns.size() < 300) {
            const Fields &record = records[std::size_t(generator.pick(qsizetype(records.size())))];
            if (!record[1].toString().isEmpty())
                patterns << generator.patternFrom(record[1].toString());
        }
        int throughIndex = 0;
        for (const QString &pattern : std::as_const(patterns)) {
            const Found indexed = search(fixture.fileName(), pattern);
            const Found scanned = search(fixture.fileName(), pattern, IndexUse::Ignore);
            QVERIFY2(indexed == scanned, qPrintable(pattern));
            QVERIFY(!scanned.readIndex);
            throughIndex += indexed.readIndex ? 1 : 0;
        }
        QVERIFY(search(fixture.fileName(), u"game"_s).keys.size() > 600);
        QVERIFY2(throughIndex > 100, qPrintable(QString::number(throughIndex)));
    }

    // Imports and the browse page's edits carry their changes into the index, which then still
    // matches the catalogue and finds the records by their new paths.
    void writesKeepIndexCurrent()
    {
        const CatalogueFixture fixture;
        fixture.add({{u"A"_s, u"d:\\OLD\\FIRST.EXE"_s, {}, {}},
                     {u"A"_s, u"d:\\OLD\\SECOND.EXE"_s, {}, {}},
                     {u"A"_s, u"d:\\OLD\\THIRD.EXE"_s, {}, {}}});
        const QString catalogue = fixture.fileName();
        const SearchIndex index = SearchIndex::forCatalogue(catalogue);
        index.rebuild();

        import(catalogue, {{ u"B"_s, u"d:\\Neu\\Straße.txt"_s, {}, {} }});
        QVERIFY(index.isFresh());
        QCOMPARE(keysFound(catalogue, u"STRASSE"_s), QList<qint64>{4});

        QObject owner;
        BrowseQuery *query = liveQueryOfAll(fixture, &owner);
        query->updateField(rowOfKey(*query, 1), 2, u"d:\\RENAMED\\FIRST.EXE"_s);
        query->updateField(rowOfKey(*query, 4), 2, u"d:\\Neu\\Weg.txt"_s);
        query->updateField(rowOfKey(*query, 2), 3, u"a description"_s);
        query->deleteRow(rowOfKey(*query, 3));
        query->appendNewRow();
        query->postNewRow(u"info"_s, u"contents"_s);
        QVERIFY(index.isFresh());
        const Found renamed = search(catalogue, u"renamed"_s);
        QCOMPARE(renamed.keys, QList<qint64>{1});
        QVERIFY(renamed.readIndex);
        QCOMPARE(keysFound(catalogue, u"old"_s), (QList<qint64>{2}));
        QCOMPARE(keysFound(catalogue, u"weg.t"_s), QList<qint64>{4});
        QCOMPARE(keysFound(catalogue, u"STRASSE"_s), QList<qint64>());
        QCOMPARE(keysFound(catalogue, u".exe"_s), (QList<qint64>{1, 2}));

        // Once the imported record is in the index's table, its edits go there too.
        index.update();
        query->updateField(rowOfKey(*query, 4), 2, u"d:\\Neu\\Pfad.txt"_s);
        QVERIFY(index.isFresh());
        QCOMPARE(keysFound(catalogue, u"pfad"_s), QList<qint64>{4});
    }

    // A catalogue written by another program no longer matches the index: the search scans and
    // finds the rows as they are now, and the index rebuilt in the background matches again.
    void foreignWriteMakesIndexStale_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("sameTime");
        QTest::newRow("update") << u"UPDATE CD SET DATEI = 'd:\\OTHER.EXE' WHERE Nr = 2"_s << false;
        QTest::newRow("insert") << u"INSERT INTO CD (CD, DATEI) VALUES ('C', 'OTHER')"_s << false;
        QTest::newRow("same size and time")
            << u"UPDATE CD SET DATEI = 'd:\\OTHER.EXE' WHERE Nr = 2"_s << true;
    }
    void foreignWriteMakesIndexStale()
    {
        QFETCH(QString, statement);
        QFETCH(bool, sameTime);
        const CatalogueFixture fixture;
        fixture.add({{u"A"_s, u"d:\\FIRST.EXE"_s, {}, {}}, {u"A"_s, u"d:\\SECND.EXE"_s, {}, {}}});
        const QString catalogue = fixture.fileName();
        const SearchIndex index = SearchIndex::forCatalogue(catalogue);
        index.rebuild();
        struct stat before = {};
        QCOMPARE(::stat(QFile::encodeName(catalogue).constData(), &before), 0);
        fixture.write({statement});
        if (sameTime) {
            // Only SQLite's change counter still tells this state from the indexed one.
            const timespec times[2] = {before.st_atim, before.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(catalogue).constData(), times, 0), 0);
        }

        QVERIFY(!index.isFresh());
        const Found found = search(catalogue, u"other"_s, IndexUse::ReadAndUpdate);
        QVERIFY(!found.readIndex);
        QCOMPARE(found.keys.size(), 1);
        index.waitForBackground();
        QVERIFY(index.isFresh());
        const Found again = search(catalogue, u"other"_s);
        QVERIFY(again.readIndex);
        QCOMPARE(again.keys, found.keys);
    }

    // An index that cannot be read or written never fails a write to the catalogue nor a search.
    void troubledIndexNeverFailsWrites_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("damaged") << QByteArray("SQLite format 3\0 and then garbage", 33);
        QTest::newRow("folder in the way") << QByteArray();
    }
    void troubledIndexNeverFailsWrites()
    {
        QFETCH(QByteArray, content);
        const CatalogueFixture fixture;
        fixture.add({{u"A"_s, u"d:\\FIRST.EXE"_s, {}, {}}});
        const SearchIndex index = SearchIndex::forCatalogue(fixture.fileName());
        if (content.isEmpty()) {
            QVERIFY(QDir().mkdir(index.fileName()));
        } else {
            QFile file(index.fileName());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }

        import(fixture.fileName(), {{ u"B"_s, u"d:\\SECOND.EXE"_s, {}, {} }});
        QObject owner;
        BrowseQuery *query = liveQueryOfAll(fixture, &owner);
        query->updateField(0, 2, u"d:\\THIRD.EXE"_s);
        query->deleteRow(1);
        QCOMPARE(fixture.stored().size(), size_t(1));
        QCOMPARE(keysFound(fixture.fileName(), u"third"_s), QList<qint64>{1});
        QCOMPARE(search(fixture.fileName(), u"third"_s, IndexUse::ReadAndUpdate).keys,
                 QList<qint64>{1});
        index.waitForBackground();
        QCOMPARE(index.isFresh(), !content.isEmpty());
    }

    // While an import holds the catalogue, building the index gives up at once instead of
    // holding up the import's commit, and leaves no index behind.
    void rebuildGivesWayToImport()
    {
        const CatalogueFixture fixture;
        fixture.add({{u"A"_s, u"d:\\FIRST.EXE"_s, {}, {}}});
        const SearchIndex index = SearchIndex::forCatalogue(fixture.fileName());
        CatalogueTable table(fixture.place());
        table.open();
        table.edit();
        table.insert({std::nullopt, u"B"_s, u"d:\\SECOND.EXE"_s, std::nullopt, std::nullopt});
        QVERIFY(!failureOf([&] { index.rebuild(); }).isEmpty());
        QVERIFY(!QFile::exists(index.fileName()));
        table.close();
        QCOMPARE(fixture.stored().size(), size_t(2));
        index.rebuild();
        QCOMPARE(keysFound(fixture.fileName(), u"second"_s), QList<qint64>{2});
    }

    // A build killed midway leaves its temporary file; the next build removes it, but never one
    // that another build may still be writing.
    void rebuildRemovesAbandonedBuilds()
    {
        const CatalogueFixture fixture;
        fixture.add({{u"A"_s, u"d:\\FIRST.EXE"_s, {}, {}}});
        const SearchIndex index = SearchIndex::forCatalogue(fixture.fileName());
        const auto leave = [](const QString &fileName, int minutesAgo) {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo),
                                     QFileDevice::FileModificationTime));
        };
        leave(index.fileName() + u".Ab3dE9"_s, 120);
        leave(index.fileName() + u".xYz012"_s, 1);
        leave(fixture.directory() + u"OTHER.idx.Ab3dE9"_s, 120);
        index.rebuild();
        QVERIFY(!QFile::exists(index.fileName() + u".Ab3dE9"_s));
        QVERIFY(QFile::exists(index.fileName() + u".xYz012"_s));
        QVERIFY(QFile::exists(fixture.directory() + u"OTHER.idx.Ab3dE9"_s));
    }
};

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "tst_searchindex.moc"
