#include "cli/Texts.h"

#include "cli/EnglishMessages.h"

#include <QByteArray>
#include <QtGlobal>

Texts Texts::fromEnvironment()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray locale = qgetenv(variable);
        if (!locale.isEmpty())
            return Texts(locale.startsWith("de"));
    }
    return Texts(false);
}

QString Texts::ofCore(const QString &germanMessage) const
{
    return m_german ? germanMessage : EnglishMessages::translated(germanMessage);
}
