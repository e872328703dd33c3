#include "tools/ServerPassword.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

void writeText(int terminal, const std::string &text)
{
    // A lost prompt changes nothing: the read still waits for the password.
    [[maybe_unused]] const ssize_t written = write(terminal, text.data(), text.size());
}

// Whether a connection to location fails only for want of a password; user is who connects.
bool needsPassword(const QString &location, std::string &user)
{
    const QByteArray dbname = location.toUtf8();
    // The location's own connect_timeout, coming later, overrides this one.
    const char *const keywords[] = {"connect_timeout", "dbname", nullptr};
    const char *const values[] = {"10", dbname.constData(), nullptr};
    const std::unique_ptr<PGconn, decltype(&PQfinish)> probe(PQconnectdbParams(keywords, values, 1),
                                                             PQfinish);
    if (!probe || PQstatus(probe.get()) == CONNECTION_OK || !PQconnectionNeedsPassword(probe.get()))
        return false;
    user = PQuser(probe.get());
    return true;
}

// Asks on the terminal and reads one line with its echo off, turned off before the prompt shows
// so that no typed letter is echoed; the echo comes back whatever was read.
std::string askHidden(int terminal, const std::string &prompt)
{
    termios saved{};
    const bool echoOff = tcgetattr(terminal, &saved) == 0;
    if (echoOff) {
        termios hidden = saved;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(terminal, TCSAFLUSH, &hidden);
    }
    writeText(terminal, prompt);
    std::string line;
    char c = 0;
    while (read(terminal, &c, 1) == 1 && c != '\n')
        line.push_back(c);
    if (echoOff)
        tcsetattr(terminal, TCSAFLUSH, &saved);
    // The Enter the user typed was not echoed either.
    writeText(terminal, "\n");
    return line;
}

} // namespace

void askForServerPasswordIfNeeded(const QString &location)
{
    std::string user;
    if (!isatty(STDIN_FILENO) || !needsPassword(location, user))
        return;
    const int terminal = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal < 0)
        return;
    const std::string password = askHidden(terminal, "Passwort für Benutzer " + user + ": ");
    close(terminal);
    setenv("PGPASSWORD", password.c_str(), 1);
}
