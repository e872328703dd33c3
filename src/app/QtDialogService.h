#pragma once

#include "platform/DialogService.h"

#include <QPointer>
#include <QWidget>

// Shows the program's boxes as modal message boxes over the main window.
class QtDialogService final : public DialogService
{
public:
    void setParentWindow(QWidget *window) { m_parent = window; }

    void warning(const QString &message) override;
    void errorReport(const QString &message) override;
    void plainMessage(const QString &message) override;

private:
    QPointer<QWidget> m_parent;
};
