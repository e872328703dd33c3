#include "cli/Help.h"

#include "cli/TextSink.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int TermWidth = 22;

void printEntry(TextSink &out, const QString &term, const QString &explanation)
{
    const QString shown = u"  "_s + term;
    out << shown;
    if (shown.size() + 2 > TermWidth)
        out << u'\n' << QString(TermWidth, u' ');
    else
        out << QString(TermWidth - shown.size(), u' ');
    out << explanation << u'\n';
}

QString synopsis(const CommandSpec &command)
{
    QString text = command.name;
    for (const QString &operand : command.operands)
        text += u' ' + operand;
    return text;
}

} // namespace

void printGeneralHelp(TextSink &out, const QList<CommandSpec> &commands, const Texts &texts)
{
    out << texts(u"Aufruf: tralbo-cli BEFEHL [OPTIONEN]\n"
                 u"Liest und durchsucht den Tralbo-Katalog der Disketten und CDs.\n\nBefehle:\n"_s,
                 u"Usage: tralbo-cli COMMAND [OPTIONS]\n"
                 u"Reads and searches the Tralbo catalogue of discs.\n\nCommands:\n"_s);
    for (const CommandSpec &command : commands)
        printEntry(out, synopsis(command), texts(command.germanSummary, command.englishSummary));
    out << texts(u"\nOptionen:\n"_s, u"\nOptions:\n"_s);
    printEntry(
        out, u"-h, --help"_s,
        texts(u"Diese Hilfe; \"tralbo-cli BEFEHL --help\" zeigt die Optionen eines Befehls"_s,
              u"This help; \"tralbo-cli COMMAND --help\" shows a command's options"_s));
    printEntry(out, u"--version"_s, texts(u"Die Version"_s, u"The version"_s));
    out << texts(u"\nDer Katalog ist CD.db im Programmordner, wenn dort einer liegt, sonst in\n"
                 u"$XDG_DATA_HOME/Olvane/Tralbo/. Einen anderen wählen --catalogue FILE|URL,\n"
                 u"TRALBO_CATALOGUE oder [Catalogue] Url= in ~/.config/Olvane/Skivra.conf;\n"
                 u"eine URL wie postgresql://server/katalog nennt einen PostgreSQL-Katalog.\n"
                 u"Rückgabewert: 0 Erfolg, 1 Fehler, 2 falscher Aufruf oder falsche Eingabe,\n"
                 u"3 diff: ein Ersetzen würde etwas ändern.\n"_s,
                 u"\nThe catalogue is CD.db beside the program when one lies there, else in\n"
                 u"$XDG_DATA_HOME/Olvane/Tralbo/. Choose another with --catalogue FILE|URL,\n"
                 u"TRALBO_CATALOGUE or [Catalogue] Url= in ~/.config/Olvane/Skivra.conf;\n"
                 u"a URL such as postgresql://server/catalogue names a PostgreSQL catalogue.\n"
                 u"Exit status: 0 success, 1 error, 2 bad usage or input,\n"
                 u"3 diff: a replace would change something.\n"_s);
}

void printCommandHelp(TextSink &out, const CommandSpec &command, const Texts &texts)
{
    out << texts(u"Aufruf: tralbo-cli %1 [OPTIONEN]\n"_s, u"Usage: tralbo-cli %1 [OPTIONS]\n"_s)
               .arg(synopsis(command))
        << texts(command.germanSummary, command.englishSummary) << u"\n\n"_s
        << texts(u"Optionen:\n"_s, u"Options:\n"_s);
    for (const OptionSpec &option : command.options) {
        QString term =
            option.shortName.isEmpty() ? option.name : option.shortName + u", "_s + option.name;
        if (!option.valueName.isEmpty())
            term += u' ' + option.valueName;
        printEntry(out, term, texts(option.germanHelp, option.englishHelp));
    }
    printEntry(out, u"-h, --help"_s, texts(u"Diese Hilfe"_s, u"This help"_s));
}
