#pragma once

#include "cli/CommandLine.h"

// The tool's commands in the order the help lists them. A new command is one entry here and
// its run function.
const QList<CommandSpec> &commandTable();
