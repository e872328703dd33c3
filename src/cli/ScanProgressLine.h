#pragma once

#include "cli/Texts.h"
#include "scan/ScanRun.h"

#include <QElapsedTimer>

class TextSink;

// The progress of a scan as one line on standard error, rewritten a few times a second, when
// standard error is a terminal; silent otherwise, so that scripts see only what they asked for.
class ScanProgressLine final : public ScanObserver
{
public:
    ScanProgressLine(TextSink &err, const Texts &texts);
    ~ScanProgressLine() override;
    Q_DISABLE_COPY_MOVE(ScanProgressLine)

    void listing(const QString &root);
    void progress(int step, int count) override;

private:
    void show(const QString &text);

    TextSink &m_err;
    Texts m_texts;
    bool m_shown;
    QElapsedTimer m_sinceShown;
    qsizetype m_width = 0;
};
