#pragma once

#include "base/PlainNotice.h"

#include <QString>

#include <optional>

// Every modal box the program shows goes through this service, so tests can record the boxes
// and answer them without blocking.
class DialogService : public PlainNotice
{
public:
    ~DialogService() override = default;

    // The program's own failure messages: caption "Warnung", warning icon, one "OK" button.
    virtual void warning(const QString &message) = 0;
    // An error no handler caught: caption "Tralbo 1.0", error icon, one "OK" button. The message
    // arrives complete (the caller has applied the full-stop rule).
    virtual void errorReport(const QString &message) = 0;
    // A plain box captioned with the application title, no icon, one "OK" button.
    void plainMessage(const QString &message) override = 0;
    // The disc naming dialog, its name field pre-filled; empty when it was not closed with OK.
    virtual std::optional<QString> askDiscName(const QString &proposal) = 0;
    // "Datensatz löschen?" captioned "Bestätigen" with "OK" and "Abbrechen"; true for OK.
    virtual bool confirmDelete() = 0;

    enum class ReplaceAnswer
    {
        Replace, // "Ja"
        Add,     // "Nein"
        Cancel   // "Abbrechen", or the box closed
    };
    // "Die CD »NAME« ist schon im Katalog. Ersetzen?" with "Ja", "Nein" and "Abbrechen", asked
    // when an import's disc name is catalogued already. A service that never asks adds, as
    // every import did before the question was asked.
    virtual ReplaceAnswer askReplaceDisc(const QString &) { return ReplaceAnswer::Add; }
    // The file dialog for a disc image to open as a drive; empty when none was chosen. A service
    // without the dialog chooses none.
    virtual std::optional<QString> askImageFile() { return std::nullopt; }
};
