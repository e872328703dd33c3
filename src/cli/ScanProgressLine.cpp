#include "cli/ScanProgressLine.h"

using namespace Qt::StringLiterals;

ScanProgressLine::ScanProgressLine(TextSink &err, const Texts &texts) : m_line(err), m_texts(texts)
{}

void ScanProgressLine::listing(const QString &root)
{
    m_line.show(m_texts(u"Scanne das Laufwerk %1"_s, u"Scanning drive %1"_s).arg(root));
}

void ScanProgressLine::progress(int step, int count)
{
    // The last entry is always shown, so the line ends at the total.
    if (!m_line.due(step > count))
        return;
    m_line.show(m_texts(u"Durchsuche Ergebnismenge %1 / %2"_s, u"Selecting %1 / %2"_s)
                    .arg(std::min(step - 1, count))
                    .arg(count));
}
