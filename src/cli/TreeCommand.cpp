#include "base/AppError.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/TextSink.h"
#include "cli/UsageError.h"
#include "vdrive/DiscTrees.h"
#include "vdrive/TreeText.h"

#include <QDir>

using namespace Qt::StringLiterals;

int runTree(const Invocation &invocation, CommandContext &context)
{
    const QString &disc = invocation.operands.front();
    const DiscTrees trees(chosenCatalogueOf(invocation));
    const std::optional<QByteArray> stored = trees.read(disc);
    if (!stored)
        throw UsageError(
            context
                .texts(u"Für die CD \"%1\" ist kein virtuelles Laufwerk "
                       u"gespeichert (nicht gefunden: %2)"_s,
                       u"No directory tree is stored for disc \"%1\" (not found: %2)"_s)
                .arg(disc, QDir::toNativeSeparators(trees.placeOf(disc))));
    const ParsedTree tree = parseTree(*stored);
    for (const TreeLine &line : tree.lines)
        context.out << QString(2 * line.level, u' ') << line.text << u'\n';
    // Like the window, the nodes before a damaged line are shown, then the damage is reported.
    if (tree.error)
        throw AppError(*tree.error);
    return 0;
}
