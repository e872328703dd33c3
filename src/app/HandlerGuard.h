#pragma once

#include "platform/DialogService.h"

#include <QObject>

#include <functional>

// The general error report's rule: a "." is appended when the message's last character has a
// code above that of ".".
QString withFullStop(const QString &message);

// Runs one handler; an error escaping it ends the handler and goes to the general error report.
// No exception ever crosses the Qt event loop.
void runGuarded(DialogService &dialogs, const std::function<void()> &handler);

// Connects a signal to a handler of the receiver, which takes no arguments, through the guard.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection guardedConnect(Sender *sender, Signal signal, Receiver *receiver,
                                       void (Receiver::*handler)(), DialogService &dialogs)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler, &dialogs] {
        runGuarded(dialogs, [&] { (receiver->*handler)(); });
    });
}
