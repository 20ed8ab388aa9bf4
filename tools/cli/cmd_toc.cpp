// tevarin-cli toc: the catalogue listing, one line per entry.
#include <cstdio>

#include "cli.h"
#include "catalog/catalogue.h"

namespace tevarin {

namespace {

constexpr const char* kUsage = "toc";

int RunToc(const CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kUsage, "toc takes no arguments");
  CCatalogue catalogue;
  if (const Status loaded = catalogue.Load(ctx.dataDir); !loaded) {
    std::fprintf(stderr, "you delete data file!\n%s\n", loaded.Message().c_str());
    return kExitDataError;
  }
  for (const std::string& note : catalogue.Notes()) std::fprintf(stderr, "note: %s\n", note.c_str());
  const std::string listing = catalogue.Listing();
  std::fwrite(listing.data(), 1, listing.size(), stdout);
  return kExitOk;
}

CommandRegistrar reg("toc", kUsage, &RunToc);

}  // namespace

}  // namespace tevarin
