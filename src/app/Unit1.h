#pragma once

#include "app/DiscList.h"
#include "app/Environment.h"
#include "base/BusyState.h"
#include "platform/NativePath.h"
#include "scan/FileSelection.h"
#include "scan/ScanRun.h"

#include <QDeadlineTimer>
#include <QPersistentModelIndex>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class BrowseQuery;
class DriveComboBox;
class MountWatcher;
class ListingModel;
class PathListModel;
class RecordNavigator;
class SearchAnimation;
class TCDEvents;
class TDirTree;
class TFindFile;
class TFormStorage;
class TMSysInfo;
struct VolumeNotice;
struct FormPlacement;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QToolButton;
class QTreeWidget;

// The main window: three pages ("CD Import", "Datenansicht", "Virtual Drive") whose handlers
// carry the program's steps and call the small units that do the work.
class TForm1 final : public QWidget
{
    Q_OBJECT

public:
    explicit TForm1(const Environment &environment, QWidget *parent = nullptr);
    ~TForm1() override;

    // Handlers, named after their control and event.
    void FormShow();
    void FormClose();
    void endeClick();
    void jep1Click();
    void ListBox2Click();
    void cb4Click();
    void cb7Click();
    void cb9Click();
    void cb10Click();
    void DriveComboBox1Change();
    void db1Click();
    void TL1Click();
    void SpeedButton1Click();
    void Button1Click();
    void DBNavigator1Click(int button);
    void CD1AfterArrival();
    void volumeCameOrWent(const VolumeNotice &notice);
    void OvGetDriveTree(QChar letter);
    void PageControl1Change();
    void TL2Click();

    const CataloguePlace &catalogue() const { return m_environment.catalogue; }

    // The program is asked to end (a logout, a shutdown, Ctrl+C): open dialogs close as
    // cancelled, a scan stops at its next entry, an import ends whole, and then the window closes
    // as "Beenden" closes it, without a box, and says ended().
    void endSession();
    bool hasEnded() const { return m_ended; }

Q_SIGNALS:
    void ended();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildImportPage(QWidget *page);
    void buildBrowsePage(QWidget *page);
    void buildVirtualDrivePage(QWidget *page);
    void connectHandlers();
    void setTabOrder();
    void processPendingEvents();
    bool processPendingEventsWhenDue();
    void showPendingListing();
    void setProgressRange(int maximum);
    void setProgressPosition(int position);
    SelectionOptions readSelectionOptions() const;
    void runFinder();
    void openQuery();
    void closeQuery();
    void showCurrentRecord();
    void leaveShownRecord();
    void postEditedRecord();
    bool recordInEditing() const;
    void updateBrowseState();
    void moveToRow(int row);
    void connectBrowseHandlers();
    void createDiscEvents();
    FormPlacement placement() const;
    void endImport(bool reportClosedQuery);
    void reloadDriveTree(QChar letter);
    void mountMediumIn(QChar letter);
    void loadDriveRoot(QChar letter);
    // The tree text of the current drive, read for the disc's virtual drive.
    QByteArray virtualDriveText(const QString &discName);
    // What an import does while another import or program holds the catalogue.
    std::function<bool()> catalogueWait();
    // Whether the import may go on: the disc's virtual drive, when asked for, can be kept.
    bool virtualDriveKeepable(const QString &discName);
    // Whether an import under a name the catalogue holds replaces that disc; none: cancelled.
    std::optional<bool> replaceChosen(const QString &discName);
    QChar initialDriveLetter() const;
    static void setBaseColour(QWidget *widget, const QColor &colour);

    Environment m_environment;
    PathMapper m_paths;
    BusyState m_busy;
    bool m_shownOnce = false;
    static constexpr std::chrono::milliseconds EventInterval{10};
    QDeadlineTimer m_eventsDue;
    static constexpr std::chrono::milliseconds RowsInterval{250};
    QDeadlineTimer m_rowsDue;
    ScanRun m_scan;
    class ScanProgress;
    bool m_listingPending = false; // Memo3 does not show the archive listing being produced yet

    TFindFile *FF1 = nullptr;
    TFindFile *FindFile1 = nullptr;
    TMSysInfo *MS1 = nullptr;
    TMSysInfo *MSysInfo1 = nullptr;
    BrowseQuery *RxQuery1 = nullptr;
    std::unique_ptr<TFormStorage> FormStorage1;
    TCDEvents *CD1 = nullptr;
    MountWatcher *m_mountWatcher = nullptr;
    bool m_recordEdited = false;         // a live record's texts were typed into and not yet posted
    QPersistentModelIndex m_shownRecord; // the result row the bound views show
    std::array<QString, 2> m_shownTexts; // what DBMemo1 and DBMemo2 were filled with
    bool m_returningToRecord = false;    // the grid goes back to a record whose post was refused
    bool m_importRunning = false;
    std::optional<QStringList> m_unsavedNames; // the disc list a close could not write
    bool m_closePostRefused = false;          // the last close could not post the record in editing
    std::atomic<bool> m_endRequested = false; // read by the listing beside the window too
    bool m_ended = false;
    QStringList m_namesOnDisk; // the disc list file as this window last read or wrote it
    bool m_reloadingTree = false;
    bool m_driveListUpdatePending = false;

    std::optional<QChar> m_pendingReload; // the drive of a reload asked for while one ran

    QTabWidget *PageControl1 = nullptr;

    // Page "CD Import"
    QLabel *Label9 = nullptr;
    QListView *ListBox2 = nullptr;
    PathListModel *m_selection = nullptr;
    QListView *ListBox1 = nullptr;
    ListingModel *m_scanList = nullptr;
    QLabel *Label10 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QLabel *Label11 = nullptr;
    QPlainTextEdit *Memo3 = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    QProgressBar *PB1 = nullptr;
    QLabel *Label1 = nullptr;
    SearchAnimation *Animate1 = nullptr;
    QLabel *Label12 = nullptr;
    DriveComboBox *DriveComboBox1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QLabel *Label13 = nullptr;
    QCheckBox *cb1 = nullptr;
    QCheckBox *cb2 = nullptr;
    QCheckBox *cb3 = nullptr;
    QCheckBox *cb4 = nullptr;
    QCheckBox *cb8 = nullptr;
    QCheckBox *cb9 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QCheckBox *cb10 = nullptr;
    QLineEdit *Edit3 = nullptr;
    QCheckBox *cb5 = nullptr;
    QCheckBox *cb6 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *cb7 = nullptr;
    QCheckBox *cb20 = nullptr;
    QPushButton *jep1 = nullptr;
    QPushButton *db1 = nullptr;
    QPushButton *ende = nullptr;

    // Page "Datenansicht"
    QCheckBox *cb30 = nullptr;
    QPushButton *Button1 = nullptr;
    QLabel *Label5 = nullptr;
    DiscList *TL1 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Edit5 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    RecordNavigator *DBNavigator1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *DBEdit1 = nullptr;
    QLabel *Label6 = nullptr;
    QTableView *RxDBGrid1 = nullptr;
    QLabel *Label7 = nullptr;
    QPlainTextEdit *DBMemo1 = nullptr;
    QLabel *Label8 = nullptr;
    QPlainTextEdit *DBMemo2 = nullptr;

    // Page "Virtual Drive"
    QLabel *Label14 = nullptr;
    DiscList *TL2 = nullptr;
    QLabel *Label15 = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    TDirTree *DirTree1 = nullptr;
};
