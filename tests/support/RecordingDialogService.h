#pragma once

#include "platform/DialogService.h"

#include <QStringList>

// Records every box instead of showing it, so no test blocks on a modal dialog.
class RecordingDialogService final : public DialogService
{
public:
    void warning(const QString &message) override { warnings.append(message); }
    void errorReport(const QString &message) override { errors.append(message); }
    void plainMessage(const QString &message) override { plainMessages.append(message); }

    int total() const { return warnings.size() + errors.size() + plainMessages.size(); }

    QStringList warnings;
    QStringList errors;
    QStringList plainMessages;
};
