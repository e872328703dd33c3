#include "vdrive/TreeText.h"

#include "app/AppError.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSaveFile>

#include <unistd.h>

using namespace Qt::StringLiterals;

QByteArray serializeTree(const QList<TreeLine> &preOrder)
{
    QByteArray bytes;
    for (const TreeLine &line : preOrder) {
        bytes.append(line.level, '\t');
        bytes.append(line.text.toUtf8());
        bytes.append("\r\n");
    }
    return bytes;
}

ParsedTree parseTree(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QString text =
        decodeText(nul < 0 ? bytes : bytes.first(nul), SingleByteFallback::Windows1252);

    ParsedTree tree;
    int previousLevel = -1;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        qsizetype textStart = start;
        while (textStart < end && (text[textStart] == u'\t' || text[textStart] == u' '))
            ++textStart;
        const int depth = int(textStart - start);
        const QString nodeText = text.sliced(textStart, end - textStart);
        // The first node is top-level whatever its indent; every later node may sit at most one
        // level below the one before.
        if (previousLevel >= 0 && depth > previousLevel + 1) {
            tree.error =
                u"Ungültige Ebene (%1) für Eintrag \"%2\""_s.arg(QString::number(depth), nodeText);
            return tree;
        }
        previousLevel = previousLevel < 0 ? 0 : depth;
        tree.lines.append({previousLevel, nodeText});

        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return tree;
}

void saveTreeFile(const QString &fileName, const QList<TreeLine> &preOrder)
{
    // The tree goes to a temporary file that replaces the old one only once all of it is stored,
    // so a full disk is reported instead of leaving a short file behind. commit() neither reports
    // a failed final flush nor a failed sync, hence both are checked first.
    const QByteArray bytes = serializeTree(preOrder);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        ::fsync(file.handle()) != 0 || !file.commit())
        throw AppError(u"Datei %1 kann nicht erstellt werden"_s.arg(fileName));
}

QByteArray readTreeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(fileName));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(fileName));
    return bytes;
}
