#include "app/HandlerGuard.h"

#include "app/AppError.h"

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void runGuarded(DialogService &dialogs, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const AppError &error) {
        dialogs.errorReport(withFullStop(error.message()));
    } catch (const std::exception &error) {
        dialogs.errorReport(withFullStop(QString::fromLocal8Bit(error.what())));
    }
}
