#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the thread that made the object, so that the
// program can close its window and restore what it changed on the desktop instead of dying in
// the middle. Requests are caught from construction on and delivered once deliver() was called,
// so that one arriving while the window is being built is not lost. One instance at a time; the
// default actions come back when it goes.
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    Q_DISABLE_COPY_MOVE(TerminationSignals)

    void deliver();

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
};
