#pragma once

#include "catalogue/CatalogueRecord.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

// Reads an export back into records (position 0 the key as text), with readers of the test's
// own, so that a fault of the tool's writers cannot hide in a shared one. Each records what it
// could not read in failure.
struct ReadBack
{
    std::vector<CatalogueRecord> records;
    QStringList discHeadings; // HTML only: the heading above each table
    QString failure;
};

ReadBack readCsv(const QByteArray &bytes);
ReadBack readJson(const QByteArray &bytes);
ReadBack readHtml(const QByteArray &bytes);
