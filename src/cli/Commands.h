#pragma once

#include "cli/CommandLine.h"

// The commands of the tool, one source file each. Each returns the exit code; bad input throws
// UsageError, any other failure AppError.
int runDrives(const Invocation &invocation, CommandContext &context);
int runDiscs(const Invocation &invocation, CommandContext &context);
int runSearch(const Invocation &invocation, CommandContext &context);
int runTree(const Invocation &invocation, CommandContext &context);
int runExport(const Invocation &invocation, CommandContext &context);
int runScan(const Invocation &invocation, CommandContext &context);
int runImport(const Invocation &invocation, CommandContext &context);
int runIndex(const Invocation &invocation, CommandContext &context);
int runDiff(const Invocation &invocation, CommandContext &context);

// The options only import takes besides those of scan.
QList<OptionSpec> importOptionSpecs();
