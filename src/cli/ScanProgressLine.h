#pragma once

#include "cli/ProgressLine.h"
#include "cli/Texts.h"
#include "scan/ScanRun.h"

// The progress of a scan as one line on standard error, rewritten a few times a second, when
// standard error is a terminal; silent otherwise, so that scripts see only what they asked for.
class ScanProgressLine final : public ScanObserver
{
public:
    ScanProgressLine(TextSink &err, const Texts &texts);
    Q_DISABLE_COPY_MOVE(ScanProgressLine)

    void listing(const QString &root);
    void progress(int step, int count) override;

private:
    ProgressLine m_line;
    Texts m_texts;
};
