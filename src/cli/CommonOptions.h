#pragma once

#include "catalogue/CataloguePlace.h"
#include "cli/CommandLine.h"
#include "cli/RecordWriter.h"

#include <optional>

// The options several commands share, so that each is spelled and explained once.
namespace CommonOptions {
extern const QString Catalogue;
extern const QString Disc;
extern const QString Output;

OptionSpec catalogue();
OptionSpec disc(const QString &germanHelp, const QString &englishHelp);
OptionSpec output();
OptionSpec format(OutputFormat format);
} // namespace CommonOptions

// The format the invocation's --csv, --json or --html asks for; the fallback when none is given.
// Throws UsageError for more than one, or for none without a fallback.
OutputFormat chosenFormat(const Invocation &invocation, std::optional<OutputFormat> fallback,
                          const Texts &texts);

// The disc given with --disc, checked to be in the catalogue; none when not given. Throws
// UsageError for a disc the catalogue does not hold.
std::optional<QString> chosenDisc(const Invocation &invocation, const CataloguePlace &catalogue,
                                  const Texts &texts);
