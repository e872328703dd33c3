// The "Datenansicht" page: the browse query with its bound views and navigator, the disc filter,
// the file-name search and the rebuild of the disc name list.

#include "app/HandlerGuard.h"
#include "app/Unit1.h"
#include "base/AppError.h"
#include "base/BusyCursor.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/DiscName.h"
#include "catalogue/DiscNameList.h"
#include "catalogue/RecordNavigator.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTableView>
#include <QTextDocument>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

using DiscNameList::AllDiscs;
constexpr int DiscColumn = 1;
constexpr int InfoColumn = 3;
constexpr int ContentsColumn = 4;

// The memo's text as typed, its paragraphs ended by LF. Unlike toPlainText() this keeps a
// non-breaking space as it is.
QString memoText(const QPlainTextEdit *memo)
{
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// A typed text with the line breaks of the field it replaces: LF where the field had only LF,
// else CR LF as the import stores them.
QString withLineBreaksOf(const FieldValue &stored, QString typed)
{
    const bool lineFeedsOnly = stored && stored->contains(u'\n') && !stored->contains(u"\r\n"_s);
    if (!lineFeedsOnly)
        typed.replace(u'\n', u"\r\n"_s);
    return typed;
}

} // namespace

void TForm1::connectBrowseHandlers()
{
    DialogService &dialogs = *m_environment.dialogs;
    guardedConnect(TL1, &DiscList::chosen, this, &TForm1::TL1Click, dialogs);
    guardedConnect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click, dialogs);
    guardedConnect(Edit5, &QLineEdit::returnPressed, this, &TForm1::SpeedButton1Click, dialogs);
    guardedConnect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click, dialogs);
    guardedConnect(RxDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                   &TForm1::showCurrentRecord, dialogs);
    connect(DBNavigator1, &RecordNavigator::clicked, this, [this](RecordNavigator::Button button) {
        runGuarded(*m_environment.dialogs, [&] { DBNavigator1Click(button); });
    });
    // The grid reads later rows from the event loop, where no exception may pass.
    connect(RxQuery1, &BrowseQuery::fetchFailed, this, [this](const QString &message) {
        m_environment.dialogs->errorReport(withFullStop(message));
    });
    for (QPlainTextEdit *memo : {DBMemo1, DBMemo2}) {
        connect(memo, &QPlainTextEdit::textChanged, this, [this] {
            if (!m_recordEdited && RxQuery1->canWrite()) {
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
    // Changes not yet posted are dropped with the result: every action that closes it posts
    // them first (leaveShownRecord).
    m_recordEdited = false;
    m_shownRecord = QPersistentModelIndex();
    RxQuery1->close();
    showCurrentRecord();
}

bool TForm1::recordInEditing() const
{
    return m_shownRecord.isValid() && (m_recordEdited || RxQuery1->isNewRow(m_shownRecord.row()));
}

void TForm1::updateBrowseState()
{
    // Nothing is offered for editing that cannot be written: a read-only result, a read-only
    // catalogue file or folder, or a catalogue another program is writing to.
    const bool writable = RxQuery1->canWrite();
    DBMemo1->setReadOnly(!writable);
    DBMemo2->setReadOnly(!writable);
    DBNavigator1->setState(RxQuery1->isOpen(), writable, recordInEditing());
}

void TForm1::moveToRow(int row)
{
    RxDBGrid1->setCurrentIndex(RxQuery1->index(row, 2));
}

void TForm1::showCurrentRecord()
{
    if (m_returningToRecord)
        return;
    leaveShownRecord();
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
    m_shownTexts = {memoText(DBMemo1), memoText(DBMemo2)};
    m_shownRecord =
        onRecord ? QPersistentModelIndex(RxQuery1->index(row, 0)) : QPersistentModelIndex();
    m_recordEdited = false;
    updateBrowseState();
}

void TForm1::leaveShownRecord()
{
    if (!recordInEditing())
        return;
    // A new record nothing was typed into goes as it came.
    if (!m_recordEdited) {
        m_shownRecord = QPersistentModelIndex();
        RxQuery1->discardNewRow();
        return;
    }
    try {
        postEditedRecord();
    } catch (const AppError &) {
        // The catalogue refused it: the grid goes back to the record, which stays in editing.
        const QScopedValueRollback returning(m_returningToRecord, true);
        RxDBGrid1->setCurrentIndex(RxQuery1->index(m_shownRecord.row(), 2));
        throw;
    }
}

void TForm1::postEditedRecord()
{
    if (!m_shownRecord.isValid())
        return;
    const int row = m_shownRecord.row();
    const std::array<std::pair<int, QPlainTextEdit *>, 2> memos{
        {{InfoColumn, DBMemo1}, {ContentsColumn, DBMemo2}}};
    if (RxQuery1->isNewRow(row)) {
        // Fields of a new record that nothing was typed into stay NULL.
        std::array<FieldValue, 2> typed;
        for (std::size_t i = 0; i < memos.size(); ++i) {
            const QString text = memoText(memos[i].second);
            if (text != m_shownTexts[i])
                typed[i] = withLineBreaksOf(std::nullopt, text);
        }
        RxQuery1->postNewRow(typed[0], typed[1]);
    } else {
        // Only a field whose text was changed is written, so what was only looked at keeps its
        // bytes: its line breaks, its NULL.
        for (std::size_t i = 0; i < memos.size(); ++i) {
            const auto [column, memo] = memos[i];
            const QString text = memoText(memo);
            if (text == m_shownTexts[i])
                continue;
            RxQuery1->updateField(row, column,
                                  withLineBreaksOf(RxQuery1->field(row, column), text));
            m_shownTexts[i] = text;
        }
    }
    m_recordEdited = false;
}

void TForm1::TL1Click()
{
    if (m_importRunning)
        return;
    const QList<QListWidgetItem *> selected = TL1->selectedItems();
    if (selected.isEmpty())
        return;
    const BusyCursor cursor;
    const QString text = selected.last()->text();
    leaveShownRecord();
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
    if (m_importRunning)
        return;
    if (TL1->count() > 0) {
        const QSignalBlocker programSelection(TL1);
        TL1->setCurrentRow(0);
    }
    leaveShownRecord();
    closeQuery();
    RxQuery1->setRequestLive(cb30->isChecked());
    RxQuery1->setRequest({BrowseRequest::Kind::FileNameSearch, Edit5->text()});
    openQuery();
}

void TForm1::Button1Click()
{
    if (m_importRunning)
        return;
    // What was typed is posted before the list is read from the result, which drops it.
    leaveShownRecord();
    RxDBGrid1->setEnabled(false);
    const auto enableGrid = qScopeGuard([this] { RxDBGrid1->setEnabled(true); });
    {
        const QSignalBlocker programSelection(TL1);
        TL1->clear();
        TL1->addItem(AllDiscs);
    }
    processPendingEvents();
    DiscNameRuns names;
    RxQuery1->forEachDiscName([&](const QString &name) { names.add(name); });
    const QSignalBlocker programSelection(TL1);
    TL1->addItems(names.names());
}

void TForm1::DBNavigator1Click(int button)
{
    if (m_importRunning)
        return;
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
        leaveShownRecord();
        moveToRow(RxQuery1->appendNewRow());
        break;
    case RecordNavigator::Delete:
        if (row >= 0 && m_environment.dialogs->confirmDelete()) {
            m_recordEdited = false;
            m_shownRecord = QPersistentModelIndex();
            RxQuery1->deleteRow(row);
            showCurrentRecord();
        }
        break;
    case RecordNavigator::Edit:
        DBMemo1->setFocus();
        break;
    case RecordNavigator::Post:
        postEditedRecord();
        updateBrowseState();
        break;
    case RecordNavigator::Cancel:
        // The typed texts go; a new record goes altogether.
        m_recordEdited = false;
        m_shownRecord = QPersistentModelIndex();
        RxQuery1->discardNewRow();
        showCurrentRecord();
        break;
    case RecordNavigator::Refresh:
        leaveShownRecord();
        closeQuery();
        openQuery();
        break;
    }
}
