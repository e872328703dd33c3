#pragma once

#include "cli/CommandLine.h"

// The texts of --help: the tool's commands, or one command's operands and options.
void printGeneralHelp(TextSink &out, const QList<CommandSpec> &commands, const Texts &texts);
void printCommandHelp(TextSink &out, const CommandSpec &command, const Texts &texts);
