#include "cli/ScanProgressLine.h"

#include "cli/TextSink.h"

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 IntervalMs = 100;

} // namespace

ScanProgressLine::ScanProgressLine(TextSink &err, const Texts &texts)
    : m_err(err), m_texts(texts), m_shown(isatty(STDERR_FILENO) == 1)
{}

ScanProgressLine::~ScanProgressLine()
{
    if (m_width > 0)
        show(QString());
}

void ScanProgressLine::listing(const QString &root)
{
    show(m_texts(u"Scanne das Laufwerk %1"_s, u"Scanning drive %1"_s).arg(root));
}

void ScanProgressLine::progress(int step, int count)
{
    // The last entry is always shown, so the line ends at the total.
    if (m_sinceShown.isValid() && m_sinceShown.elapsed() < IntervalMs && step <= count)
        return;
    show(m_texts(u"Durchsuche Ergebnismenge %1 / %2"_s, u"Selecting %1 / %2"_s)
             .arg(std::min(step - 1, count))
             .arg(count));
}

void ScanProgressLine::show(const QString &text)
{
    if (!m_shown)
        return;
    // Blanks cover what a longer line before left; the empty line clears it for good.
    m_err << u'\r' << text.leftJustified(m_width) << (text.isEmpty() ? u"\r"_s : QString());
    m_width = text.size();
    m_err.flush();
    m_sinceShown.start();
}
