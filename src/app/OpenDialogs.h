#pragma once

#include <QObject>

// Once the program is asked to end: every dialog open now is closed as cancelled, and every one
// that opens later too, so that nothing waits for an answer that no one will give.
class OpenDialogsDismissed final : public QObject
{
public:
    explicit OpenDialogsDismissed(QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
