#pragma once

#include "platform/DialogService.h"

#include <QList>
#include <QStringList>

// Records every box instead of showing it, so no test blocks on a modal dialog.
class RecordingDialogService final : public DialogService
{
public:
    void warning(const QString &message) override { warnings.append(message); }
    void errorReport(const QString &message) override { errors.append(message); }
    void plainMessage(const QString &message) override { plainMessages.append(message); }
    std::optional<QString> askDiscName(const QString &proposal) override
    {
        proposals.append(proposal);
        return discNames.isEmpty() ? std::nullopt : discNames.takeFirst();
    }
    bool confirmDelete() override
    {
        ++deleteQuestions;
        return !deleteAnswers.isEmpty() && deleteAnswers.takeFirst();
    }

    ReplaceAnswer askReplaceDisc(const QString &disc) override
    {
        replaceQuestions.append(disc);
        return replaceAnswers.isEmpty() ? ReplaceAnswer::Add : replaceAnswers.takeFirst();
    }

    std::optional<QString> askImageFile() override
    {
        ++imageFileQuestions;
        return imageFiles.isEmpty() ? std::nullopt : imageFiles.takeFirst();
    }

    int total() const { return warnings.size() + errors.size() + plainMessages.size(); }

    QStringList warnings;
    QStringList errors;
    QStringList plainMessages;
    QStringList proposals;                   // what the naming dialog was pre-filled with
    QList<std::optional<QString>> discNames; // answers of the naming dialog, in order
    int deleteQuestions = 0;
    QList<bool> deleteAnswers;           // answers of the delete confirmation, in order
    QStringList replaceQuestions;        // the discs asked about replacing
    QList<ReplaceAnswer> replaceAnswers; // answers of the replace question; none: "Nein"
    int imageFileQuestions = 0;
    QList<std::optional<QString>> imageFiles; // answers of the image file dialog, in order
};
