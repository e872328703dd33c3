#pragma once

#include "cli/CommandLine.h"
#include "scan/FileSelection.h"

// What a scan from the command line keeps, as the option boxes of the import page say it.
struct ScanChoice
{
    SelectionOptions options;
    qint32 lineLimit = 40;
};

// The options of scan and import that choose the files and their side texts.
QList<OptionSpec> scanOptionSpecs();

// The choice the invocation's options make. Throws UsageError when no extension is chosen or a
// value is not what the option takes.
ScanChoice chosenScan(const Invocation &invocation, const Texts &texts);
