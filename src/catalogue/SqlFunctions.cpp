#include "catalogue/SqlFunctions.h"

#include <QByteArray>
#include <QString>
#include <QVarLengthArray>

#include <sqlite3.h>

namespace {

void unicodeUpper(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(arguments[0]));
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    const int size = sqlite3_value_bytes(arguments[0]);
    // A search calls this once per row, and stored paths are nearly always ASCII: upper-case
    // those bytes in place of a round trip through UTF-16.
    QVarLengthArray<char, 512> ascii(size);
    for (int i = 0; i < size; ++i) {
        const char c = text[i];
        if (c & 0x80) {
            const QByteArray upper = QString::fromUtf8(text, size).toUpper().toUtf8();
            sqlite3_result_text(context, upper.constData(), int(upper.size()), SQLITE_TRANSIENT);
            return;
        }
        ascii[i] = (c >= 'a' && c <= 'z') ? char(c - ('a' - 'A')) : c;
    }
    sqlite3_result_text(context, ascii.constData(), size, SQLITE_TRANSIENT);
}

} // namespace

int registerUnicodeUpper(sqlite3 *connection)
{
    return sqlite3_create_function_v2(connection, "upper", 1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                      nullptr, &unicodeUpper, nullptr, nullptr, nullptr);
}
