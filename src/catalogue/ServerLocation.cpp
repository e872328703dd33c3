#include "catalogue/ServerLocation.h"

#include "base/AppError.h"
#include "catalogue/CataloguePlace.h"
#include "catalogue/LibPq.h"

#include <QStringList>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int DefaultConnectTimeoutSeconds = 10;

// A libpq value in single quotes, its quotes and backslashes escaped.
QString quoted(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'\\', u"\\\\"_s).replace(u'\'', u"\\'"_s);
    return u'\'' + escaped + u'\'';
}

} // namespace

namespace ServerLocation {

QString connectOptions(const QString &location)
{
    char *error = nullptr;
    const QByteArray text = location.toUtf8();
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        libPq().conninfoParse(text.constData(), &error), libPq().conninfoFree);
    const std::unique_ptr<char, decltype(&PQfreemem)> message(error, libPq().freemem);
    if (!options)
        throw AppError(u"Datenbankadresse %1 ist ungültig: %2"_s.arg(
            maskedLocation(location),
            message ? QString::fromUtf8(message.get()).trimmed() : QString()));
    QStringList settings;
    bool timeoutGiven = qEnvironmentVariableIsSet("PGCONNECT_TIMEOUT");
    for (const PQconninfoOption *option = options.get(); option->keyword; ++option) {
        if (!option->val)
            continue;
        timeoutGiven = timeoutGiven || qstrcmp(option->keyword, "connect_timeout") == 0;
        const QString value = QString::fromUtf8(option->val);
        // The driver splits its options at ";", so such a value cannot reach libpq whole.
        if (value.contains(u';'))
            throw AppError(u"Datenbankadresse %1 ist ungültig: \";\" in %2"_s.arg(
                maskedLocation(location), QString::fromUtf8(option->keyword)));
        settings.append(QString::fromUtf8(option->keyword) + u'=' + quoted(value));
    }
    // libpq waits for an unanswering host as long as TCP does, minutes in which the window
    // would stand still.
    if (!timeoutGiven)
        settings.append(u"connect_timeout='%1'"_s.arg(DefaultConnectTimeoutSeconds));
    return settings.join(u';');
}

} // namespace ServerLocation
