// "In Datenbank einfügen": names the scanned disc and writes one catalogue record per entry of
// the selection list, with the side texts the options ask for.

#include "app/AppError.h"
#include "app/BusyCursor.h"
#include "app/HandlerGuard.h"
#include "app/PathListModel.h"
#include "app/Unit1.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueTable.h"
#include "catalogue/DiscName.h"
#include "devices/DriveComboBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

const QString TableMissing = u"Konnte Datenbank CD.DB nicht öffnen. (oder finden?)"_s;
const QString RecordRejected =
    u"Fehler. Entweder wurden diese Daten bereits importiert, BDE ist falsch konfiguriert oder die "
    u"Datenbank ist fehlerhaft."_s;

} // namespace

void TForm1::endImport(bool reopenQuery)
{
    jep1->setEnabled(true);
    db1->setEnabled(false);
    if (reopenQuery)
        openQuery();
}

void TForm1::db1Click()
{
    BusyState::Scope busy(m_busy);
    if (!busy.acquired())
        return;
    const std::optional<QString> discName =
        m_environment.dialogs->askDiscName(proposedDiscName(DriveComboBox1->currentText()));
    if (!discName)
        return;

    const BusyCursor cursor;
    DriveComboBox1->setEnabled(false);
    const auto unlockDrive = qScopeGuard([this] { DriveComboBox1->setEnabled(true); });
    Label1->setText(u"Füge Daten in Datenbank ein"_s);
    // A query that was not open before (no catalogue at start-up) is not reopened either.
    const bool queryWasOpen = RxQuery1->isOpen();
    closeQuery();
    jep1->setEnabled(false);
    processPendingEvents();

    QString tableName = locateCatalogue(m_environment.applicationDirectory);
    if (tableName.isEmpty())
        tableName = applicationFile(u"CD.db"_s);
    CatalogueTable table(tableName);
    try {
        table.open();
    } catch (const AppError &) {
        m_environment.dialogs->warning(TableMissing);
        endImport(queryWasOpen);
        return;
    }
    try {
        table.edit();
    } catch (const AppError &error) {
        // A catalogue that cannot be changed must not leave the window without its scan button
        // and browse view: report the engine's message and end as after a rejected record.
        m_environment.dialogs->errorReport(withFullStop(error.message()));
        table.close();
        endImport(queryWasOpen);
        return;
    }

    // With both options the side texts are stored as the lines they show, each ended by CR LF.
    const bool descriptions = cb5->isChecked();
    const bool listings = cb7->isChecked();
    const auto fieldText = [&](SideTextStore::Kind kind, bool wanted, int position) -> FieldValue {
        const SideTextStore::SideText *sideText =
            wanted ? m_sideTexts.find(SideTextStore::nameOf(kind, position)) : nullptr;
        if (!sideText)
            return std::nullopt;
        if (!(descriptions && listings))
            return sideText->text;
        QString text;
        for (const QString &line : sideText->lines())
            text += line + u"\r\n"_s;
        return text;
    };

    const QStringList &selection = m_selection->items();
    for (int index = 0; index < selection.size(); ++index) {
        const int position = index + 1;
        const CatalogueRecord record{
            std::nullopt, *discName, selection[index],
            fieldText(SideTextStore::Kind::Description, descriptions, position),
            fieldText(SideTextStore::Kind::Listing, listings, position)};
        try {
            table.insert(record);
        } catch (const AppError &) {
            m_environment.dialogs->warning(RecordRejected);
            table.close();
            endImport(queryWasOpen);
            return;
        }
    }
    table.close();

    if (cb20->isChecked())
        storeVirtualDrive(*discName);
    endImport(queryWasOpen);
    TL1->addItem(*discName);
    Label1->setText(u" "_s);
}
