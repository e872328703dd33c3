// The "Datenansicht" page: the browse query with its bound views and navigator, the disc filter,
// the file-name search and the rebuild of the disc name list.

#include "app/AppError.h"
#include "app/BusyCursor.h"
#include "app/HandlerGuard.h"
#include "app/Unit1.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/RecordNavigator.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QString AllDiscs = u"Alle CD's"_s;
const QString NoDiscYet = u"unknown compact disk"_s;
constexpr int DiscColumn = 1;
constexpr int InfoColumn = 3;
constexpr int ContentsColumn = 4;

} // namespace

void TForm1::connectBrowseHandlers()
{
    DialogService &dialogs = *m_environment.dialogs;
    guardedConnect(TL1, &QListWidget::itemSelectionChanged, this, &TForm1::TL1Click, dialogs);
    guardedConnect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click, dialogs);
    guardedConnect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click, dialogs);
    guardedConnect(RxDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                   &TForm1::showCurrentRecord, dialogs);
    connect(DBNavigator1, &RecordNavigator::clicked, this, [this](RecordNavigator::Button button) {
        runGuarded(*m_environment.dialogs, [&] { DBNavigator1Click(button); });
    });
    for (QPlainTextEdit *memo : {DBMemo1, DBMemo2}) {
        connect(memo, &QPlainTextEdit::textChanged, this, [this] {
            if (!m_recordEdited && RxQuery1->isOpen() && RxQuery1->requestLive()) {
                m_recordEdited = true;
                updateBrowseState();
            }
        });
    }
}

void TForm1::openQuery()
{
    RxQuery1->open();
    m_recordEdited = false;
    if (RxQuery1->rowCount() > 0)
        moveToRow(0);
    showCurrentRecord();
}

void TForm1::closeQuery()
{
    // Changes not yet posted are dropped with the result.
    m_recordEdited = false;
    RxQuery1->close();
    showCurrentRecord();
}

void TForm1::updateBrowseState()
{
    const bool open = RxQuery1->isOpen();
    const bool live = open && RxQuery1->requestLive();
    DBMemo1->setReadOnly(!live);
    DBMemo2->setReadOnly(!live);
    DBNavigator1->setState(open, live, m_recordEdited);
}

void TForm1::moveToRow(int row)
{
    RxDBGrid1->setCurrentIndex(RxQuery1->index(row, 2));
}

void TForm1::showCurrentRecord()
{
    // Moving to another record posts what was typed into the one shown before.
    postEditedRecord(m_shownRow);
    const int row = RxDBGrid1->currentIndex().row();
    const bool onRecord = RxQuery1->isOpen() && row >= 0 && row < RxQuery1->rowCount();
    const auto text = [&](int column) {
        return onRecord ? RxQuery1->field(row, column).value_or(QString()) : QString();
    };
    const QSignalBlocker blockInfo(DBMemo1);
    const QSignalBlocker blockContents(DBMemo2);
    DBEdit1->setText(text(DiscColumn));
    DBEdit1->setCursorPosition(0); // a name longer than the narrow field shows its start
    DBMemo1->setPlainText(text(InfoColumn));
    DBMemo2->setPlainText(text(ContentsColumn));
    m_shownRow = onRecord ? row : -1;
    m_recordEdited = false;
    updateBrowseState();
}

void TForm1::postEditedRecord(int row)
{
    if (!m_recordEdited || row < 0)
        return;
    m_recordEdited = false;
    // Only fields whose text changed are written, so an untouched empty field stays NULL.
    for (const auto &[column, memo] : {std::pair{InfoColumn, DBMemo1}, {ContentsColumn, DBMemo2}}) {
        const QString text = memo->toPlainText();
        if (RxQuery1->field(row, column).value_or(QString()) != text)
            RxQuery1->updateField(row, column, text);
    }
}

void TForm1::TL1Click()
{
    const QList<QListWidgetItem *> selected = TL1->selectedItems();
    if (selected.isEmpty())
        return;
    const BusyCursor cursor;
    const QString text = selected.last()->text();
    closeQuery();
    if (text == AllDiscs)
        RxQuery1->setRequest({BrowseRequest::Kind::AllDiscs, {}});
    else
        RxQuery1->setRequest({BrowseRequest::Kind::DiscFilter, text});
    RxQuery1->setRequestLive(cb30->isChecked());
    openQuery();
}

void TForm1::SpeedButton1Click()
{
    if (TL1->count() > 0) {
        const QSignalBlocker programSelection(TL1);
        TL1->setCurrentRow(0);
    }
    closeQuery();
    RxQuery1->setRequestLive(cb30->isChecked());
    RxQuery1->setRequest({BrowseRequest::Kind::FileNameSearch, Edit5->text()});
    openQuery();
}

void TForm1::Button1Click()
{
    RxDBGrid1->setEnabled(false);
    const auto enableGrid = qScopeGuard([this] { RxDBGrid1->setEnabled(true); });
    {
        const QSignalBlocker programSelection(TL1);
        TL1->clear();
        TL1->addItem(AllDiscs);
    }
    QString previous = NoDiscYet;
    processPendingEvents();
    QStringList names;
    RxQuery1->forEachDiscName([&](const QString &name) {
        if (name != previous)
            names.append(name);
        previous = name;
    });
    const QSignalBlocker programSelection(TL1);
    TL1->addItems(names);
}

void TForm1::DBNavigator1Click(int button)
{
    const int row = RxDBGrid1->currentIndex().row();
    switch (RecordNavigator::Button(button)) {
    case RecordNavigator::First:
        moveToRow(0);
        break;
    case RecordNavigator::Prior:
        moveToRow(std::max(0, row - 1));
        break;
    case RecordNavigator::Next:
        if (row + 1 >= RxQuery1->rowCount() && RxQuery1->canFetchMore({}))
            RxQuery1->fetchMore({});
        moveToRow(std::min(RxQuery1->rowCount() - 1, row + 1));
        break;
    case RecordNavigator::Last:
        while (RxQuery1->canFetchMore({}))
            RxQuery1->fetchMore({});
        moveToRow(RxQuery1->rowCount() - 1);
        break;
    case RecordNavigator::Insert:
        postEditedRecord(m_shownRow);
        moveToRow(RxQuery1->appendBlankRecord());
        break;
    case RecordNavigator::Delete:
        if (row >= 0 && m_environment.dialogs->confirmDelete()) {
            m_recordEdited = false;
            RxQuery1->deleteRow(row);
            showCurrentRecord();
        }
        break;
    case RecordNavigator::Edit:
        DBMemo1->setFocus();
        break;
    case RecordNavigator::Post:
        postEditedRecord(m_shownRow);
        updateBrowseState();
        break;
    case RecordNavigator::Cancel:
        showCurrentRecord();
        break;
    case RecordNavigator::Refresh:
        postEditedRecord(m_shownRow);
        closeQuery();
        openQuery();
        break;
    }
}
