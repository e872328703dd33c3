#pragma once

#include <QList>
#include <QString>

// The core speaks German, as the window does; under an English locale the tool shows the same
// messages in English. Each entry turns one German message form into English: a regular
// expression over the German text, its captures (file names, engine texts) carried over as \1,
// \2 ... into the English form. A new core message is one more entry in the table.
namespace EnglishMessages {

struct Form
{
    QString german; // a regular expression; "^" where a message must start with a capture
    QString english;
};

// More particular forms before those they contain.
const QList<Form> &table();

// The message with every German form in it turned into English; other text stays as it is.
QString translated(const QString &message);

} // namespace EnglishMessages
