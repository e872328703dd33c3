#pragma once

#include "catalogue/Unit2.h"
#include "platform/DialogService.h"

#include <QPointer>
#include <QWidget>

// Shows the program's boxes as modal message boxes over the main window.
class QtDialogService final : public DialogService
{
public:
    void setParentWindow(QWidget *window) { m_parent = window; }
    void setNamingDialog(TForm2 *dialog) { m_namingDialog = dialog; }

    void warning(const QString &message) override;
    void errorReport(const QString &message) override;
    void plainMessage(const QString &message) override;
    std::optional<QString> askDiscName(const QString &proposal) override;
    bool confirmDelete() override;
    ReplaceAnswer askReplaceDisc(const QString &disc) override;
    std::optional<QString> askImageFile() override;

private:
    QPointer<QWidget> m_parent;
    QPointer<TForm2> m_namingDialog;
};
