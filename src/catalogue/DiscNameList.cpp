#include "catalogue/DiscNameList.h"

#include "base/AppError.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace DiscNameList {

QStringList parse(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QString text = decodeText(QByteArrayView(bytes).first(nul < 0 ? bytes.size() : nul),
                                    SingleByteFallback::Windows1252);

    QStringList names;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        names.append(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        names.append(text.sliced(start));
    return names;
}

QByteArray serialize(const QStringList &names)
{
    QByteArray bytes;
    for (const QString &name : names) {
        bytes.append(name.toUtf8());
        bytes.append("\r\n");
    }
    return bytes;
}

void save(const QString &filePath, const QStringList &names)
{
    // The explicit flush reports a full disk that the final commit would not.
    const QByteArray bytes = serialize(names);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        throw AppError(u"Datei %1 kann nicht erstellt werden"_s.arg(filePath));
}

QStringList load(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(filePath));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(filePath));
    return parse(bytes);
}

QStringList merged(const QStringList &window, const QStringList &readBefore,
                   const QStringList &fileNow)
{
    QStringList result = window;
    QStringList unmatched = readBefore;
    for (const QString &name : fileNow) {
        if (unmatched.removeOne(name) || result.contains(name))
            continue;
        result.append(name);
    }
    return result;
}

} // namespace DiscNameList
