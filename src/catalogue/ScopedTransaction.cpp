#include "catalogue/ScopedTransaction.h"

#include "base/AppError.h"
#include "catalogue/CatalogueConnection.h"

using namespace Qt::StringLiterals;

ScopedTransaction::ScopedTransaction(const CatalogueConnection &connection)
    : m_connection(connection)
{
    m_connection.exec(m_connection.beginWriting());
    m_active = true;
}

ScopedTransaction::~ScopedTransaction()
{
    if (!m_active)
        return;
    try {
        m_connection.exec(u"ROLLBACK"_s);
    } catch (const AppError &) {
        // SQLite rolls an open transaction back when the connection closes anyway.
    }
}

void ScopedTransaction::commit()
{
    m_connection.commit();
    m_active = false;
}
