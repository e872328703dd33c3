// A request to end (SIGTERM, as at a logout) while the window is busy: a real signal to this
// process, taken by the program's own TerminationSignals, ends a scan, an import waiting for the
// catalogue and an open naming dialog within seconds, and the window then closes as "Beenden"
// closes it: the disc list written, autorun restored.

#include "app/QtDialogService.h"
#include "catalogue/DiscNameList.h"
#include "catalogue/Unit2.h"
#include "devices/DriveComboBox.h"
#include "platform/TerminationSignals.h"
#include "support/CatalogueRows.h"
#include "support/FormFixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QListView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int EndWithinMs = 5000;

// Sends SIGTERM to this process once the event loop runs again after delayMs.
void terminateAfter(int delayMs)
{
    QTimer::singleShot(delayMs, [] { ::kill(::getpid(), SIGTERM); });
}

} // namespace

class TestTermination : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void scanStopsAndTheWindowCloses();
    void waitingImportStoresNothingAndSaysNothing();
    void openNamingDialogIsCancelled();

private:
    // Shows the window, with requests to end going to it as in the program.
    void show();
    // The window has closed and ended within the time a logout allows, and has written its disc
    // list; destroyed, it gave autorun back.
    void verifyEnded(const QElapsedTimer &since);
    void scan();

    std::unique_ptr<FormFixture> m_fixture;
    std::unique_ptr<TerminationSignals> m_termination;
};

void TestTermination::init()
{
    m_fixture = std::make_unique<FormFixture>();
    const QString disc = m_fixture->path(u"disc"_s);
    for (int folder = 0; folder < 50; ++folder) {
        for (int file = 0; file < 40; ++file)
            writeFile(disc + u"/D%1/F%2.EXE"_s.arg(folder).arg(file));
    }
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"MYDISC"_s);
}

void TestTermination::cleanup()
{
    m_fixture.reset();
    m_termination.reset();
}

void TestTermination::show()
{
    m_termination = std::make_unique<TerminationSignals>();
    m_fixture->show();
    QObject::connect(m_termination.get(), &TerminationSignals::terminationRequested,
                     m_fixture->form.get(), &TForm1::endSession);
    m_termination->deliver();
    m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    m_fixture->control<QCheckBox>(u"cb1"_s)->setChecked(true);
}

void TestTermination::scan()
{
    m_fixture->form->jep1Click();
    QCOMPARE(rows(m_fixture->control<QListView>(u"ListBox2"_s)).size(), 2000);
}

void TestTermination::verifyEnded(const QElapsedTimer &since)
{
    QTRY_VERIFY_WITH_TIMEOUT(m_fixture->form->hasEnded(), EndWithinMs);
    QVERIFY(since.elapsed() < EndWithinMs);
    QVERIFY(!m_fixture->form->isVisible());
    QVERIFY(QFileInfo::exists(m_fixture->path(u"app/Quilo.lst"_s)));
    const QString marker = m_fixture->path(u"autorun-saved"_s);
    m_fixture->form.reset();
    QVERIFY(!QFileInfo::exists(marker));
}

// The scan stops at its next entry: the window ends long before the drive is read whole.
void TestTermination::scanStopsAndTheWindowCloses()
{
    show();
    QElapsedTimer since;
    since.start();
    terminateAfter(0);
    m_fixture->form->jep1Click();
    QVERIFY(rows(m_fixture->control<QListView>(u"ListBox2"_s)).size() < 2000);
    verifyEnded(since);
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

// An import waiting for a catalogue another program holds gives up, stores nothing, shows no
// box, and the window closes.
void TestTermination::waitingImportStoresNothingAndSaysNothing()
{
    show();
    scan();
    const QString catalogue = m_fixture->path(u"app/CD.db"_s);
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
        holder.setDatabaseName(catalogue);
        QVERIFY(holder.open());
        QVERIFY(QSqlQuery(holder).exec(u"BEGIN IMMEDIATE"_s));
        m_fixture->dialogs.discNames = {u"WEG"_s};
        QElapsedTimer since;
        since.start();
        terminateAfter(300);
        m_fixture->form->db1Click();
        QSqlQuery(holder).exec(u"ROLLBACK"_s);
        verifyEnded(since);
    }
    QSqlDatabase::removeDatabase(u"holder"_s);
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QVERIFY(catalogueRows(catalogue).empty());
    QVERIFY(!DiscNameList::load(m_fixture->path(u"app/Quilo.lst"_s)).contains(u"WEG"_s));
}

// The naming dialog open on the screen is closed as cancelled: nothing is imported.
void TestTermination::openNamingDialogIsCancelled()
{
    QtDialogService dialogs;
    m_fixture->shownDialogs = &dialogs;
    show();
    // Owned by the window, as in the program.
    auto *naming = new TForm2(m_fixture->form.get());
    dialogs.setParentWindow(m_fixture->form.get());
    dialogs.setNamingDialog(naming);
    scan();
    QElapsedTimer since;
    since.start();
    terminateAfter(300);
    m_fixture->form->db1Click();
    verifyEnded(since);
    QVERIFY(catalogueRows(m_fixture->path(u"app/CD.db"_s)).empty());
}

QTEST_MAIN(TestTermination)
#include "tst_termination.moc"
