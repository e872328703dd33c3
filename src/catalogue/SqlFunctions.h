#pragma once

struct sqlite3;

// Replaces SQLite's ASCII-only upper() on the connection by one with QString::toUpper's rules
// ("straße" -> "STRASSE"). Returns SQLite's result code.
int registerUnicodeUpper(sqlite3 *connection);
