#pragma once

#include <QElapsedTimer>
#include <QString>

class TextSink;

// One line of progress on standard error, rewritten a few times a second when standard error is
// a terminal, and cleared at the end; silent otherwise, so that scripts see only what they asked
// for.
class ProgressLine final
{
public:
    explicit ProgressLine(TextSink &err);
    ~ProgressLine();
    Q_DISABLE_COPY_MOVE(ProgressLine)

    // Whether a new state is worth showing: on a terminal, when the line was last drawn a while
    // ago, or when the state is final.
    bool due(bool final) const;
    void show(const QString &text);

private:
    TextSink &m_err;
    bool m_shown;
    QElapsedTimer m_sinceShown;
    qsizetype m_width = 0;
};
