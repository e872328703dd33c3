#pragma once

#include "platform/DialogService.h"

#include <optional>

// Boxes a fuzzed input would show, counted instead of shown; every question is declined.
class CountingDialogs final : public DialogService
{
public:
    void warning(const QString &) override { ++shown; }
    void errorReport(const QString &) override { ++shown; }
    void plainMessage(const QString &) override { ++shown; }
    std::optional<QString> askDiscName(const QString &) override { return std::nullopt; }
    bool confirmDelete() override { return false; }

    int shown = 0;
};
