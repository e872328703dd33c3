#include "app/Unit1.h"

#include "app/FormStorage.h"
#include "app/HandlerGuard.h"
#include "app/ImageDrive.h"
#include "app/OpenDialogs.h"
#include "base/AppError.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/DiscNameList.h"
#include "catalogue/RecordNavigator.h"
#include "devices/CDEvents.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"
#include "platform/ImageDriveTable.h"
#include "scan/FindFile.h"
#include "scan/MSysInfo.h"
#include "vdrive/DirTree.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QColor White(0xFF, 0xFF, 0xFF);
const QColor Silver(0xC0, 0xC0, 0xC0);
// How often a request to end looks whether the scan or import it waits for is over.
constexpr int EndPollInterval = 20;

} // namespace

TForm1::TForm1(const Environment &environment, QWidget *parent)
    : QWidget(parent), m_environment(environment), m_paths(*environment.drives),
      m_scan(m_paths, *environment.dialogs)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Tralbo ...der Olvane Skivra 1.0"_s);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(720, 454);
    // In the middle of the screen; where the window system places windows itself (Wayland), it
    // decides.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
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
    connectBrowseHandlers();
    FormStorage1 = std::make_unique<TFormStorage>(*this, *m_environment.settings);
    createDiscEvents();
}

TForm1::~TForm1()
{
    runGuarded(*m_environment.dialogs, [this] { FormStorage1->saveOnDestroy(placement()); });
}

void TForm1::createDiscEvents()
{
    // The component reports through the dialog service, not the window: it outlives the
    // window's members and may still restore the autorun switch then.
    DialogService *dialogs = m_environment.dialogs;
    runGuarded(*dialogs, [&] {
        CD1 = new TCDEvents(
            *m_environment.autorun, m_environment.autorunMarker,
            [dialogs](const QString &message) { dialogs->errorReport(withFullStop(message)); },
            this);
        CD1->setObjectName(u"CD1"_s);
        CD1->setAfterArrival([this](TCDEvents *, QChar) { CD1AfterArrival(); });
        m_mountWatcher = new MountWatcher(*m_environment.mounts, *m_environment.drives, this);
        CD1->listenTo(*m_mountWatcher);
        connect(m_mountWatcher, &MountWatcher::volumeNotice, this, &TForm1::volumeCameOrWent);
        CD1->Options()->setAutoRun(false);
    });
}

FormPlacement TForm1::placement() const
{
    FormPlacement placement;
    placement.showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    placement.normalRect = isMaximized() || isMinimized() ? normalGeometry() : frameGeometry();
    if (const QScreen *shownOn = screen())
        placement.screenSize = shownOn->geometry().size();
    return placement;
}

void TForm1::volumeCameOrWent(const VolumeNotice &notice)
{
    // A disc's arrival refreshes the list through CD1. Any other listed volume that comes or
    // goes (a stick, a share, an ejected disc) refreshes it too, so that a caption always
    // describes the volume behind its letter; the notices of one change come as one refresh.
    const bool discArrival =
        notice.eventCode == VolumeNotice::Arrival && (notice.flags & VolumeNotice::MediaFlag);
    if (notice.unitMask == 0 || discArrival || std::exchange(m_driveListUpdatePending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_driveListUpdatePending = false;
            runGuarded(*m_environment.dialogs, [this] { DriveComboBox1->updateDriveList(); });
        },
        Qt::QueuedConnection);
}

void TForm1::CD1AfterArrival()
{
    DriveComboBox1->updateDriveList();
    OvGetDriveTree(DriveComboBox1->drive());
}

QChar TForm1::initialDriveLetter() const
{
    if (!m_environment.initialDrive.isNull())
        return m_environment.initialDrive;
    const std::optional<QString> current = m_paths.toProgram(QDir::currentPath().toUtf8());
    return current ? current->at(0) : QChar();
}

void TForm1::connectHandlers()
{
    DialogService &dialogs = *m_environment.dialogs;
    guardedConnect(ende, &QPushButton::clicked, this, &TForm1::endeClick, dialogs);
    guardedConnect(jep1, &QPushButton::clicked, this, &TForm1::jep1Click, dialogs);
    guardedConnect(ListBox2, &QListView::clicked, this, &TForm1::ListBox2Click, dialogs);
    guardedConnect(ListBox2->selectionModel(), &QItemSelectionModel::currentChanged, this,
                   &TForm1::ListBox2Click, dialogs);
    guardedConnect(cb4, &QCheckBox::toggled, this, &TForm1::cb4Click, dialogs);
    guardedConnect(cb7, &QCheckBox::toggled, this, &TForm1::cb7Click, dialogs);
    guardedConnect(cb9, &QCheckBox::toggled, this, &TForm1::cb9Click, dialogs);
    guardedConnect(cb10, &QCheckBox::toggled, this, &TForm1::cb10Click, dialogs);
    guardedConnect(DriveComboBox1, &DriveComboBox::driveChanged, this,
                   &TForm1::DriveComboBox1Change, dialogs);
    guardedConnect(db1, &QPushButton::clicked, this, &TForm1::db1Click, dialogs);
    if (ImageDriveTable *images = m_environment.images) {
        DriveComboBox1->setOffersImageFiles(true);
        connect(DriveComboBox1, &DriveComboBox::imageFileRequested, this, [this, images, &dialogs] {
            runGuarded(dialogs, [&] {
                const std::optional<QString> file = dialogs.askImageFile();
                const QChar letter = file ? openImageDrive(*file, *images, dialogs) : QChar();
                if (letter.isNull())
                    return;
                DriveComboBox1->updateDriveList();
                DriveComboBox1->setDrive(letter);
            });
        });
    }
    guardedConnect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change,
                   dialogs);
    guardedConnect(TL2, &DiscList::chosen, this, &TForm1::TL2Click, dialogs);
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
    FormStorage1->restore();
    runGuarded(*m_environment.dialogs, [this] { FormShow(); });
}

void TForm1::FormShow()
{
    Edit2->setText(QString(DriveComboBox1->drive()) + u":\\"_s);

    // A server that answered and refused this user says so; anything else is the old warning.
    const std::optional<QString> openingFailure = [this]() -> std::optional<QString> {
        try {
            RxQuery1->setRequest({BrowseRequest::Kind::FirstOpening, {}});
            RxQuery1->setRequestLive(true);
            openQuery();
            return std::nullopt;
        } catch (const CatalogueFailure &failure) {
            if (failure.cause() == CatalogueFailure::Cause::NoPrivilege)
                return failure.message();
        } catch (const AppError &) {
        }
        return u"Datenbank \"CD.DB\" nicht gefunden, oder die BDE ist nicht installiert"_s;
    }();
    if (openingFailure)
        m_environment.dialogs->warning(*openingFailure);

    try {
        const QString listFile = catalogue().discListFile();
        if (QFileInfo(listFile).isFile()) {
            const QStringList names = DiscNameList::load(listFile);
            m_namesOnDisk = names;
            TL1->clear();
            TL1->addItems(names);
        }
        TL2->clear();
        for (int row = 0; row < TL1->count(); ++row)
            TL2->addItem(TL1->item(row)->text());
    } catch (const AppError &) {
        m_environment.dialogs->warning(u"Fehler beim laden der Datei \"Quilo.txt\"."_s);
    }

    // Only the highlight moves: no disc filter runs for a selection the program makes.
    for (QListWidget *list : {TL1, TL2}) {
        const QSignalBlocker programSelection(list);
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
    runGuarded(*m_environment.dialogs, [this] { FormStorage1->saveOnCloseQuery(placement()); });
    bool closed = false;
    runGuarded(*m_environment.dialogs, [&] {
        FormClose();
        closed = true;
    });
    // Asked to end, the window closes whatever failed; its boxes were dismissed.
    if (closed || m_endRequested)
        event->accept();
    else
        event->ignore();
}

void TForm1::endSession()
{
    if (m_endRequested.exchange(true))
        return;
    new OpenDialogsDismissed(this);
    // A scan or an import ends first: the one at its next entry, the other whole.
    auto *whenIdle = new QTimer(this);
    connect(whenIdle, &QTimer::timeout, this, [this, whenIdle] {
        if (m_busy.isBusy() || m_reloadingTree)
            return;
        whenIdle->stop();
        close();
        m_ended = true;
        Q_EMIT ended();
    });
    whenIdle->start(EndPollInterval);
}

void TForm1::FormClose()
{
    // A post refused at the first close keeps the window open with the record in editing; the
    // second close goes without it.
    if (std::exchange(m_closePostRefused, false))
        m_recordEdited = false;
    try {
        leaveShownRecord();
    } catch (const AppError &) {
        // Asked to end, the edit goes; there is no one left to answer its box.
        m_closePostRefused = !m_endRequested;
        if (m_closePostRefused)
            throw;
        m_recordEdited = false;
    }
    m_scan.reset();
    closeQuery();
    QStringList names;
    names.reserve(TL1->count());
    for (int row = 0; row < TL1->count(); ++row)
        names.append(TL1->item(row)->text());
    const QString listFile = catalogue().discListFile();
    try {
        // Names that another program (tralbo-cli import) listed meanwhile are kept.
        if (QFileInfo(listFile).isFile())
            names = DiscNameList::merged(names, m_namesOnDisk, DiscNameList::load(listFile));
        DiscNameList::save(listFile, names);
        m_namesOnDisk = names;
    } catch (const AppError &) {
        // Asked again with nothing changed, the window closes all the same: a folder that cannot
        // be written must not keep it open for good, and "Refresh" rebuilds the list.
        if (m_unsavedNames == names)
            return;
        m_unsavedNames = names;
        throw;
    }
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
    mountMediumIn(DriveComboBox1->drive());
    reloadDriveTree(DriveComboBox1->drive());
}
