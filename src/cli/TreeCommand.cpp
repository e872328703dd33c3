#include "base/AppError.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/TextSink.h"
#include "cli/UsageError.h"
#include "vdrive/TreeText.h"
#include "vdrive/VirtualDriveFile.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

int runTree(const Invocation &invocation, CommandContext &context)
{
    const QString &disc = invocation.operands.front();
    const QString directory = dataDirectory(invocation);
    const std::optional<QString> file = virtualDriveFile(directory, disc);
    if (!file || !QFileInfo(*file).isFile())
        throw UsageError(
            context
                .texts(u"Für die CD \"%1\" ist kein virtuelles Laufwerk "
                       u"gespeichert (keine Datei %2)"_s,
                       u"No directory tree is stored for disc \"%1\" (no file "
                       u"%2)"_s)
                .arg(disc, QDir::toNativeSeparators(file.value_or(directory + disc + u".vfs"_s))));
    const ParsedTree tree = parseTree(readTreeFile(*file));
    for (const TreeLine &line : tree.lines)
        context.out << QString(2 * line.level, u' ') << line.text << u'\n';
    // Like the window, the nodes before a damaged line are shown, then the damage is reported.
    if (tree.error)
        throw AppError(*tree.error);
    return 0;
}
