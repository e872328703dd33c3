#include "cli/ProgressLine.h"

#include "cli/TextSink.h"

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 IntervalMs = 100;

} // namespace

ProgressLine::ProgressLine(TextSink &err) : m_err(err), m_shown(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine()
{
    if (m_width > 0)
        show(QString());
}

bool ProgressLine::due(bool final) const
{
    // Off a terminal nothing is ever shown, so no text need be made for it.
    return m_shown && (final || !m_sinceShown.isValid() || m_sinceShown.elapsed() >= IntervalMs);
}

void ProgressLine::show(const QString &text)
{
    if (!m_shown)
        return;
    // Blanks cover what a longer line before left; the empty line clears it for good.
    m_err << u'\r' << text.leftJustified(m_width) << (text.isEmpty() ? u"\r"_s : QString());
    m_width = text.size();
    m_err.flush();
    m_sinceShown.start();
}
