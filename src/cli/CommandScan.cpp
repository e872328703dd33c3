#include "cli/CommandScan.h"

#include "cli/ScanProgressLine.h"
#include "cli/TextSink.h"
#include "image/WalkFeed.h"

using namespace Qt::StringLiterals;

CommandScan::CommandScan(const Invocation &invocation, CommandContext &context)
    : m_context(context), m_choice(chosenScan(invocation, context.texts)),
      m_target(scanTarget(invocation.operands.front(), context.texts)), m_drives({m_target.drive}),
      m_paths(m_drives), m_scan(m_paths, *this)
{}

CommandScan::~CommandScan()
{
    if (m_target.imageWalk)
        m_target.imageWalk->awaitEnd();
}

void CommandScan::run()
{
    ScanProgressLine progress(m_context.err, m_context.texts);
    progress.listing(m_target.root);
    m_scan.list(m_paths, m_target.root);
    // A damaged image fails the scan whole, before anything is selected.
    if (m_target.imageWalk)
        m_target.imageWalk->awaitWhole();
    m_scan.select(m_choice.options, m_choice.lineLimit, progress);
}

void CommandScan::plainMessage(const QString &message)
{
    m_context.err << u"tralbo-cli: "_s << m_context.texts.ofCore(message) << u'\n';
    m_context.err.flush();
}
