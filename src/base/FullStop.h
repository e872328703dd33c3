#pragma once

#include <QString>

// The rule of the general error report, also used where the command line prints an error: a "."
// is appended when the message's last character has a code above that of ".".
QString withFullStop(const QString &message);
