#include "app/OpenDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

namespace {

// Rejected from the event loop, as a click on "Abbrechen" would be, so that its exec() returns.
void dismissLater(QDialog *dialog)
{
    QTimer::singleShot(0, dialog, &QDialog::reject);
}

} // namespace

OpenDialogsDismissed::OpenDialogsDismissed(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible())
            dismissLater(dialog);
    }
}

bool OpenDialogsDismissed::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *dialog = qobject_cast<QDialog *>(watched))
            dismissLater(dialog);
    }
    return QObject::eventFilter(watched, event);
}
