// Replacing a catalogued disc on each back end: all or nothing, its tree with it, and the
// search index beside a file without the deleted records.

#include "catalogue/CatalogueBackend.h"
#include "catalogue/ImportRun.h"
#include "catalogue/SearchIndex.h"
#include "CatalogueFixture.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

// The side texts of a scan: descriptions for the given positions (counted from 1).
SideTextStore descriptions(const QList<std::pair<int, QString>> &texts)
{
    SideTextStore store;
    for (const auto &[position, text] : texts)
        store.create(SideTextStore::Kind::Description, position).text = text;
    return store;
}

ImportSteps withTree(const QByteArray &tree)
{
    ImportSteps steps;
    steps.tree = [tree] { return tree; };
    return steps;
}

// The catalogue refuses the record of this path on insert.
void refusePath(const CatalogueFixture &catalogue, const QString &path)
{
    if (CatalogueFixture::backEnd() == BackEnd::File) {
        catalogue.write({u"CREATE TRIGGER refuse BEFORE INSERT ON CD WHEN NEW.DATEI = '%1' "
                         u"BEGIN SELECT RAISE(ABORT, 'nein'); END"_s.arg(path)});
        return;
    }
    catalogue.write({u"CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     u"IF NEW.datei = '%1' THEN RAISE EXCEPTION 'nein'; END IF; RETURN NEW; "
                     u"END $$"_s.arg(path),
                     u"CREATE TRIGGER refuse BEFORE INSERT ON cd FOR EACH ROW EXECUTE FUNCTION "
                     u"refuse()"_s});
}

QStringList numberedFiles(int count)
{
    QStringList selection;
    for (int i = 0; i < count; ++i)
        selection.append(u"d:\\F%1.EXE"_s.arg(i));
    return selection;
}

} // namespace

class TestReplaceDisc : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedRecordLeavesTheDiscAsItWas();
    void replaceSwapsTheDiscAndTellsWhatChanged();
};

// Record 2501 of 3000 is refused, after a whole chunk of a server's COPY went in: nothing of the
// replace stays, the old records keep their keys and texts, and the old tree its bytes.
void TestReplaceDisc::refusedRecordLeavesTheDiscAsItWas()
{
    const CatalogueFixture catalogue;
    const SideTextStore noTexts;
    const QStringList old = numberedFiles(40);
    QCOMPARE(ImportRun(old, noTexts, false, false)
                 .into(catalogue.place(), u"MYCD"_s, withTree("d: [mycd]\r\n\tALT\r\n"))
                 .result,
             ImportOutcome::Result::Done);
    catalogue.add({{u"ANDERE"_s, u"d:\\F1.EXE"_s, {}, {}}});
    const std::vector<CatalogueRecord> before = catalogue.stored();
    refusePath(catalogue, u"d:\\F2500.EXE"_s);

    const ImportOutcome outcome =
        ImportRun(numberedFiles(3000), noTexts, false, false)
            .replacing(catalogue.place(), u"MYCD"_s, withTree("d: [mycd]\r\n\tNEU\r\n"));
    QCOMPARE(outcome.result, ImportOutcome::Result::RecordRejected);
    QCOMPARE(outcome.stored, 0);
    QCOMPARE(outcome.rejected, std::optional<qsizetype>(2501));
    QVERIFY(catalogue.stored() == before);
    const CataloguePlace place = catalogue.place();
    QCOMPARE(place.backend().readTree(place, u"MYCD"_s), QByteArray("d: [mycd]\r\n\tALT\r\n"));
    QCOMPARE(QDir(catalogue.directory()).entryList({u".tralbo-tree-*"_s}, QDir::Hidden),
             QStringList());
}

// Other discs, also one whose name differs only in letter case or matches the name as a LIKE
// pattern, keep their records; the disc's records and tree are the new ones; the deleted
// records leave the search index.
void TestReplaceDisc::replaceSwapsTheDiscAndTellsWhatChanged()
{
    const CatalogueFixture catalogue;
    catalogue.add({{u"MY-CD"_s, u"d:\\A.EXE"_s, u"a"_s, {}},
                   {u"my_cd"_s, u"d:\\B.EXE"_s, {}, {}},
                   {u"MYXCD"_s, u"d:\\B.EXE"_s, {}, {}}});
    const SideTextStore oldTexts = descriptions({{1, u"a"_s}, {3, u"c"_s}});
    const QStringList old{u"d:\\A.EXE"_s, u"d:\\B.EXE"_s, u"d:\\C.EXE"_s, u"d:\\E.EXE"_s};
    QCOMPARE(ImportRun(old, oldTexts, true, false)
                 .into(catalogue.place(), u"MY_CD"_s, withTree("alt"))
                 .result,
             ImportOutcome::Result::Done);
    catalogue.write({u"UPDATE CD SET INFO = '' WHERE DATEI = 'd:\\E.EXE'"_s});
    const std::vector<CatalogueRecord> before = catalogue.stored();
    const bool file = CatalogueFixture::backEnd() == BackEnd::File;
    const SearchIndex index = SearchIndex::forCatalogue(catalogue.fileName());
    if (file)
        index.rebuild();

    // A keeps its text, C gets another, E loses its empty one (NULL is not empty), D is new.
    const SideTextStore newTexts = descriptions({{1, u"a"_s}, {2, u"c2"_s}});
    const QStringList scanned{u"d:\\A.EXE"_s, u"d:\\C.EXE"_s, u"d:\\D.EXE"_s, u"d:\\E.EXE"_s};
    const ImportOutcome outcome = ImportRun(scanned, newTexts, true, false)
                                      .replacing(catalogue.place(), u"MY_CD"_s, withTree("neu"));
    QCOMPARE(outcome.result, ImportOutcome::Result::Done);
    QCOMPARE(outcome.stored, 4);
    QCOMPARE(outcome.changes.summary(), u"1 neu, 1 entfernt, 2 geändert"_s);
    QStringList changes;
    for (const DiscChanges::Change &change : outcome.changes.changes())
        changes.append(DiscChanges::sign(change.kind) + change.path);
    QCOMPARE(changes,
             (QStringList{u"~d:\\C.EXE"_s, u"+d:\\D.EXE"_s, u"~d:\\E.EXE"_s, u"-d:\\B.EXE"_s}));

    const std::vector<CatalogueRecord> after = catalogue.stored();
    QVERIFY(std::equal(before.begin(), before.begin() + 3, after.begin()));
    QCOMPARE(after.size(), std::size_t(7));
    QStringList replaced;
    for (std::size_t row = 3; row < after.size(); ++row)
        replaced.append(after[row][1].value_or(u"NULL"_s) + u'|' +
                        after[row][2].value_or(u"NULL"_s) + u'|' +
                        after[row][3].value_or(u"NULL"_s));
    QCOMPARE(replaced, (QStringList{u"MY_CD|d:\\A.EXE|a"_s, u"MY_CD|d:\\C.EXE|c2"_s,
                                    u"MY_CD|d:\\D.EXE|NULL"_s, u"MY_CD|d:\\E.EXE|NULL"_s}));
    const CataloguePlace place = catalogue.place();
    QCOMPARE(place.backend().readTree(place, u"MY_CD"_s), QByteArray("neu"));

    if (!file)
        return;
    QVERIFY(index.condition() != SearchIndex::Condition::Stale);
    QSqlDatabase trigrams = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"index"_s);
    trigrams.setDatabaseName(index.fileName());
    QVERIFY(trigrams.open());
    {
        QSqlQuery deleted(trigrams);
        QVERIFY(deleted.exec(u"SELECT count(*) FROM trigrams WHERE rowid > 3 AND rowid <= 7"_s));
        QVERIFY(deleted.next());
        QCOMPARE(deleted.value(0).toInt(), 0);
    }
    trigrams.close();
    trigrams = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"index"_s);
}

TRALBO_TEST_ON_EACH_BACKEND(TestReplaceDisc)
#include "tst_replacedisc.moc"
