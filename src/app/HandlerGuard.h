#pragma once

#include "base/FullStop.h"
#include "platform/DialogService.h"

#include <QObject>

#include <functional>

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
