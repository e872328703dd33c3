#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/FoundRows.h"
#include "cli/TextSink.h"

int runDiscs(const Invocation &invocation, CommandContext &context)
{
    const CataloguePlace catalogue = verifiedCatalogueOf(invocation, context.texts);
    for (const QString &name : discNamesOf(catalogue))
        context.out << name << u'\n';
    return 0;
}
