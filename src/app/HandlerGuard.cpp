#include "app/HandlerGuard.h"

#include "base/AppError.h"

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
