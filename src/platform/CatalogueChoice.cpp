#include "platform/CatalogueChoice.h"

#include <QtGlobal>

using namespace Qt::StringLiterals;

QString chosenCatalogue(const QString &setting)
{
    const QString fromEnvironment = qEnvironmentVariable("TRALBO_CATALOGUE").trimmed();
    return fromEnvironment.isEmpty() ? setting : fromEnvironment;
}
