#pragma once

#include "platform/DialogService.h"

// A benchmark run that shows any box has failed: the box ends the program with its text.
class FailingDialogService final : public DialogService
{
public:
    void warning(const QString &message) override { fail(message); }
    void errorReport(const QString &message) override { fail(message); }
    void plainMessage(const QString &message) override { fail(message); }
    std::optional<QString> askDiscName(const QString &) override { return std::nullopt; }
    bool confirmDelete() override { return false; }

private:
    static void fail(const QString &message) { qFatal("a box was shown: %s", qPrintable(message)); }
};
