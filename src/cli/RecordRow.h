#pragma once

#include "catalogue/CatalogueRecord.h"

#include <QtGlobal>

#include <array>

// One catalogue record as the tool writes it out: its key and the four text fields.
struct RecordRow
{
    qint64 key = 0;
    std::array<FieldValue, 4> fields; // CD, DATEI, INFO, INHALT
};

// The record fields in the catalogue's order; their names are CatalogueSchema::FieldNames.
enum class Column
{
    Key,
    Disc,
    Path,
    Info,
    Contents
};
