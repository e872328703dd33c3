#include "catalogue/CatalogueRecord.h"

using namespace Qt::StringLiterals;

QVariant boundValue(const FieldValue &value)
{
    if (!value)
        return QVariant(QMetaType::fromType<QString>());
    return value->isNull() ? QVariant(u""_s) : QVariant(*value);
}

FieldValue fieldValue(const QVariant &value)
{
    return value.isNull() ? FieldValue() : FieldValue(value.toString());
}

FieldValue upperPath(const FieldValue &path)
{
    return path ? FieldValue(path->toUpper()) : std::nullopt;
}
