#include "ExportReaders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QStringList FieldNames{u"Nr"_s, u"CD"_s, u"DATEI"_s, u"INFO"_s, u"INHALT"_s};

// Qt's reader lets control characters inside strings pass; JSON does not.
bool hasRawControlInString(const QByteArray &bytes)
{
    bool inString = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (inString && bytes[i] == '\\')
            ++i;
        else if (bytes[i] == '"')
            inString = !inString;
        else if (inString && uchar(bytes[i]) < 0x20)
            return true;
    }
    return false;
}

} // namespace

ReadBack readCsv(const QByteArray &bytes)
{
    // RFC 4180 with one addition the export relies on: an unquoted empty field is NULL.
    ReadBack result;
    const QString text = QString::fromUtf8(bytes);
    std::vector<FieldValue> fields;
    std::vector<std::vector<FieldValue>> lines;
    qsizetype i = 0;
    while (i < text.size()) {
        FieldValue field;
        if (text[i] == u'"') {
            QString value;
            for (++i;; ++i) {
                if (i >= text.size())
                    return {{}, {}, u"unterminated quote"_s};
                if (text[i] == u'"' && (i + 1 >= text.size() || text[i + 1] != u'"'))
                    break;
                if (text[i] == u'"')
                    ++i;
                value += text[i];
            }
            ++i;
            field = value;
        } else {
            const qsizetype end = text.indexOf(QRegularExpression(u"[,\r]"_s), i);
            const QString value = text.sliced(i, (end < 0 ? text.size() : end) - i);
            if (value.contains(u'"') || value.contains(u'\n'))
                return {{}, {}, u"bare quote or line feed in %1"_s.arg(value)};
            if (!value.isEmpty())
                field = value;
            i = end < 0 ? text.size() : end;
        }
        fields.push_back(field);
        if (text.sliced(i).startsWith(u","_s)) {
            ++i;
        } else if (text.sliced(i).startsWith(u"\r\n"_s)) {
            i += 2;
            lines.push_back(std::exchange(fields, {}));
        } else {
            return {{}, {}, u"no CR LF after a record at %1"_s.arg(i)};
        }
    }
    if (lines.empty() ||
        lines.front() != std::vector<FieldValue>(FieldNames.cbegin(), FieldNames.cend()))
        return {{}, {}, u"header row missing"_s};
    for (std::size_t line = 1; line < lines.size(); ++line) {
        if (lines[line].size() != 5)
            return {{}, {}, u"record %1 has %2 fields"_s.arg(line).arg(lines[line].size())};
        CatalogueRecord &record = result.records.emplace_back();
        std::copy(lines[line].cbegin(), lines[line].cend(), record.begin());
    }
    return result;
}

ReadBack readJson(const QByteArray &bytes)
{
    ReadBack result;
    if (hasRawControlInString(bytes))
        return {{}, {}, u"raw control character in a string"_s};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return {{}, {}, u"not a JSON array: %1"_s.arg(error.errorString())};
    for (const QJsonValue &element : document.array()) {
        const QJsonObject object = element.toObject();
        if (object.keys().size() != 5 || !object.value(u"Nr"_s).isDouble())
            return {{},
                    {},
                    u"not a record: %1"_s.arg(
                        QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)))};
        CatalogueRecord &record = result.records.emplace_back();
        record[0] = QString::number(object.value(u"Nr"_s).toInteger());
        for (int position = 1; position < 5; ++position) {
            const QJsonValue value = object.value(FieldNames[position]);
            if (!value.isNull())
                record[position] = value.toString();
        }
    }
    return result;
}

ReadBack readHtml(const QByteArray &bytes)
{
    // The page is well-formed XML, so an XML reader checks its markup and undoes its escapes.
    ReadBack result;
    QXmlStreamReader xml(bytes);
    CatalogueRecord record;
    int cell = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"h2"_s) {
            result.discHeadings.append(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (xml.name() == u"tr"_s) {
            cell = 0;
        } else if (xml.name() == u"td"_s) {
            const bool null = xml.attributes().value(u"class"_s) == u"null"_s;
            const QString text = xml.readElementText();
            if (cell < 5)
                record[cell] = null ? FieldValue() : FieldValue(text);
            if (++cell == 5)
                result.records.push_back(record);
        }
    }
    if (xml.hasError())
        return {{},
                {},
                u"not well-formed: %1 at line %2"_s.arg(xml.errorString()).arg(xml.lineNumber())};
    return result;
}
