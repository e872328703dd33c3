#pragma once

#include "base/AppError.h"

class QSqlError;

// The German messages of the catalogue store.
namespace CatalogueMessage {
QString readOnly();
QString closedDataSet();
QString notFound(const QString &fileName);
QString notACatalogue(const QString &fileName);
QString engineUnavailable();
} // namespace CatalogueMessage

// An SQLite failure: the German message and SQLite's result code.
class CatalogueFailure final : public AppError
{
public:
    CatalogueFailure(QString message, int resultCode)
        : AppError(std::move(message)), m_resultCode(resultCode)
    {}

    int resultCode() const { return m_resultCode; }

private:
    int m_resultCode;
};

// The failure reported through Qt's driver, its message chosen by SQLite's primary result code:
// busy or locked, read-only, damaged, cannot open, rejected record (constraint); anything else
// is "Datenbankfehler: " with SQLite's own message.
CatalogueFailure catalogueError(const QSqlError &error, const QString &fileName);
// The same for SQLite's result code and message.
CatalogueFailure catalogueError(int resultCode, const QString &engineText, const QString &fileName);
