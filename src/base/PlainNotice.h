#pragma once

#include <QString>

// Where a unit that goes on after telling the user something sends the text: the window shows a
// plain box, the command line prints it.
class PlainNotice
{
public:
    virtual ~PlainNotice() = default;

    virtual void plainMessage(const QString &message) = 0;
};
