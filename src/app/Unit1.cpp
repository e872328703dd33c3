#include "app/Unit1.h"

#include "app/AppError.h"
#include "app/DiscNameList.h"
#include "app/HandlerGuard.h"
#include "app/PathListModel.h"
#include "app/SearchAnimation.h"
#include "devices/DriveComboBox.h"
#include "scan/FileSelection.h"
#include "scan/FindFile.h"
#include "scan/MSysInfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QColor White(0xFF, 0xFF, 0xFF);
const QColor Silver(0xC0, 0xC0, 0xC0);
const QString DiscNameListFile = u"Quilo.lst"_s;

// Shows the busy cursor for as long as it lives.
class BusyCursor final
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(BusyCursor)
};

} // namespace

TForm1::TForm1(const Environment &environment, QWidget *parent)
    : QWidget(parent), m_environment(environment), m_paths(*environment.drives)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Tralbo ...der Olvane Skivra 1.0"_s);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(720, 454);
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);

    FF1 = new TFindFile(m_paths, this);
    FF1->setObjectName(u"FF1"_s);
    FF1->setRecurse(true);
    FF1->setFilter(u"*.wav"_s);
    FindFile1 = new TFindFile(m_paths, this);
    FindFile1->setObjectName(u"FindFile1"_s);
    FindFile1->setRecurse(true);
    FindFile1->setFilter(u"*.wav"_s);
    MS1 = new TMSysInfo(*m_environment.drives, this);
    MS1->setObjectName(u"MS1"_s);
    MSysInfo1 = new TMSysInfo(*m_environment.drives, this);
    MSysInfo1->setObjectName(u"MSysInfo1"_s);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(u"PageControl1"_s);
    PageControl1->setGeometry(0, 0, 720, 454);
    const auto addPage = [this](const QString &name, const QString &caption) {
        auto *page = new QWidget;
        page->setObjectName(name);
        PageControl1->addTab(page, caption);
        return page;
    };
    buildImportPage(addPage(u"TabSheet1"_s, u"CD Import"_s));
    buildBrowsePage(addPage(u"TabSheet2"_s, u"Datenansicht"_s));
    buildVirtualDrivePage(addPage(u"TabSheet3"_s, u"Virtual Drive"_s));
    PageControl1->setCurrentIndex(0);

    setBaseColour(Edit1, Silver);
    Edit1->setEnabled(false);
    setBaseColour(Edit3, Silver);
    Edit3->setEnabled(false);

    setTabOrder();
    connectHandlers();
}

TForm1::~TForm1() = default;

QString TForm1::applicationFile(const QString &bareName) const
{
    return m_environment.applicationDirectory + bareName;
}

QChar TForm1::initialDriveLetter() const
{
    const std::optional<QString> current = m_paths.toProgram(QDir::currentPath().toUtf8());
    return current ? current->at(0) : QChar();
}

void TForm1::connectHandlers()
{
    DialogService &dialogs = *m_environment.dialogs;
    guardedConnect(ende, &QPushButton::clicked, this, &TForm1::endeClick, dialogs);
    guardedConnect(jep1, &QPushButton::clicked, this, &TForm1::jep1Click, dialogs);
    guardedConnect(cb4, &QCheckBox::toggled, this, &TForm1::cb4Click, dialogs);
    guardedConnect(cb7, &QCheckBox::toggled, this, &TForm1::cb7Click, dialogs);
    guardedConnect(cb9, &QCheckBox::toggled, this, &TForm1::cb9Click, dialogs);
    guardedConnect(cb10, &QCheckBox::toggled, this, &TForm1::cb10Click, dialogs);
    guardedConnect(DriveComboBox1, &DriveComboBox::driveChanged, this,
                   &TForm1::DriveComboBox1Change, dialogs);
}

void TForm1::setTabOrder()
{
    const QList<QWidget *> importOrder = {
        ListBox2, DriveComboBox1, Edit2, cb1,   cb2, cb3, cb4,   cb8,
        cb9,      Edit1,          cb10,  Edit3, cb5, cb6, Edit4, cb7,
        cb20,     Memo1,          Memo3, jep1,  db1, ende};
    const QList<QWidget *> browseOrder = {cb30, Button1,   Edit5,   SpeedButton1, DBNavigator1,
                                          TL1,  RxDBGrid1, DBMemo1, DBMemo2};
    const QList<QWidget *> virtualDriveOrder = {TL2, TreeView1};
    for (const QList<QWidget *> &order : {importOrder, browseOrder, virtualDriveOrder}) {
        for (qsizetype i = 1; i < order.size(); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    runGuarded(*m_environment.dialogs, [this] { DriveComboBox1->buildInitialList(); });
    runGuarded(*m_environment.dialogs, [this] { FormShow(); });
}

void TForm1::FormShow()
{
    Edit2->setText(QString(DriveComboBox1->drive()) + u":\\"_s);

    try {
        const QString listFile = applicationFile(DiscNameListFile);
        if (QFileInfo(listFile).isFile()) {
            const QStringList names = DiscNameList::load(listFile);
            TL1->clear();
            TL1->addItems(names);
        }
        TL2->clear();
        for (int row = 0; row < TL1->count(); ++row)
            TL2->addItem(TL1->item(row)->text());
    } catch (const AppError &) {
        m_environment.dialogs->warning(u"Fehler beim laden der Datei \"Quilo.txt\"."_s);
    }

    for (QListWidget *list : {TL1, TL2}) {
        if (list->count() > 0)
            list->setCurrentRow(0);
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (m_busy.isBusy()) {
        event->ignore();
        return;
    }
    bool closed = false;
    runGuarded(*m_environment.dialogs, [&] {
        FormClose();
        closed = true;
    });
    if (closed)
        event->accept();
    else
        event->ignore();
}

void TForm1::FormClose()
{
    QStringList names;
    names.reserve(TL1->count());
    for (int row = 0; row < TL1->count(); ++row)
        names.append(TL1->item(row)->text());
    DiscNameList::save(applicationFile(DiscNameListFile), names);
}

void TForm1::endeClick()
{
    close();
}

void TForm1::cb4Click()
{
    if (!cb4->isChecked())
        cb7->setChecked(false);
}

void TForm1::cb7Click()
{
    if (cb7->isChecked())
        cb4->setChecked(true);
}

void TForm1::cb9Click()
{
    Edit1->setEnabled(cb9->isChecked());
    setBaseColour(Edit1, cb9->isChecked() ? White : Silver);
}

void TForm1::cb10Click()
{
    Edit3->setEnabled(cb10->isChecked());
    setBaseColour(Edit3, cb10->isChecked() ? White : Silver);
}

void TForm1::DriveComboBox1Change()
{
    Edit2->setText(QString(DriveComboBox1->drive()) + u":\\"_s);
}

void TForm1::processPendingEvents()
{
    m_selection->publish();
    QCoreApplication::processEvents();
    m_eventsDue.setRemainingTime(EventInterval);
}

bool TForm1::processPendingEventsWhenDue()
{
    // A pass of the event loop costs far more than one entry, so entries let events run once
    // the interval has passed: the window answers within a few milliseconds either way.
    if (!m_eventsDue.hasExpired())
        return false;
    processPendingEvents();
    return true;
}

void TForm1::setProgressRange(int maximum)
{
    if (maximum < 0)
        throw AppError(u"Eigenschaft TProgressBar außerhalb des gültigen Bereichs"_s);
    PB1->setRange(0, maximum);
}

void TForm1::setProgressPosition(int position)
{
    // A position beyond the end shows a full bar. The bar is only told of positions it draws
    // differently: every change makes it format its percentage text anew.
    const int clamped = std::clamp(position, PB1->minimum(), PB1->maximum());
    const qint64 span = std::max(1, PB1->maximum() - PB1->minimum());
    const auto drawnLength = [&](int value) {
        return qint64(value - PB1->minimum()) * PB1->width() / span;
    };
    if (clamped == PB1->maximum() || drawnLength(clamped) != drawnLength(PB1->value()))
        PB1->setValue(clamped);
}

void TForm1::runFinder()
{
    // The listing runs beside the window so that it keeps drawing, and the search animation
    // keeps playing, while a slow disc is read; the busy mark refuses input meanwhile.
    QThread *worker = QThread::create([this] { FF1->Execute(); });
    QEventLoop waiting;
    connect(worker, &QThread::finished, &waiting, &QEventLoop::quit);
    worker->start();
    waiting.exec();
    worker->wait();
    delete worker;
}

void TForm1::jep1Click()
{
    BusyState::Scope busy(m_busy);
    if (!busy.acquired())
        return;
    const BusyCursor cursor;
    DriveComboBox1->setEnabled(false);
    const auto finish = qScopeGuard([this] {
        m_selection->publish();
        DriveComboBox1->setEnabled(true);
    });

    db1->setEnabled(false);
    Memo3->clear();
    Memo2->clear();
    Memo1->clear();

    const std::optional<qint32> lineLimit = parseLineLimit(Edit4->text());
    if (!lineLimit)
        Edit4->setText(u"40"_s);

    Label1->setText(u"Scanne das Laufwerk"_s);
    processPendingEvents();
    m_scanList->clear();
    m_selection->clear();

    setProgressRange(int(MS1->diDiskCount()) - 1);
    PB1->setValue(0);
    FF1->setFilter(u"*.*"_s);
    Animate1->play();
    FF1->setDirectory(Edit2->text());
    runFinder();
    m_scanList->setItems(FF1->files());

    PB1->setValue(0);
    Animate1->stop();
    Label1->setText(u"Durchsuche Ergebnismenge"_s);
    PB1->setValue(0);
    const int count = m_scanList->count();
    setProgressRange(count - 1);
    processPendingEvents();

    // Options change only while events run, so they are read again after each pass.
    SelectionOptions options = readSelectionOptions();
    for (int i = count - 1; i >= 0; --i) {
        if (processPendingEventsWhenDue())
            options = readSelectionOptions();
        setProgressPosition(count - i + 1);
        selectEntry(m_scanList->at(i), options);
    }

    Memo3->clear();
    PB1->setValue(0);
    Label1->setText(u" "_s);
    db1->setEnabled(true);
}

SelectionOptions TForm1::readSelectionOptions() const
{
    SelectionOptions options;
    const QCheckBox *const testBoxes[] = {cb1, cb2, cb3, cb4, cb8, cb9, cb10};
    for (int test = 0; test < SelectionTestCount; ++test)
        options.enabled[test] = testBoxes[test]->isChecked();
    options.upperFilter1 = upperAscii(Edit1->text());
    options.upperFilter2 = upperAscii(Edit3->text());
    return options;
}

void TForm1::selectEntry(const QString &path, const SelectionOptions &options)
{
    const QStringView extension = extensionOf(path);
    for (int test = 0; test < SelectionTestCount; ++test) {
        if (selectionTestHolds(SelectionTest(test), extension, options))
            m_selection->append(path);
    }
}
