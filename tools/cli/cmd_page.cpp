// tevarin-cli page ENTRY [PAGE]: the stored page bytes of a catalogue entry's
// page, as the reader shows them (the entry's first page without PAGE).
#include <climits>
#include <cstdio>

#include "cli.h"
#include "index/index.h"
#include "catalog/catalogue.h"
#include "catalog/pagedisplay.h"

namespace tevarin {

namespace {

constexpr const char* kUsage = "page ENTRY [PAGE]";

int RunPage(const CliContext& ctx, const std::vector<std::string>& args) {
  long long entryIndex = 0, pageNo = 0;
  if (args.empty() || args.size() > 2 || !ParseInt(args[0], entryIndex) ||
      (args.size() == 2 && !ParseInt(args[1], pageNo)))
    return UsageError(kUsage);
  CCatalogue catalogue;
  if (const Status loaded = catalogue.Load(ctx.dataDir); !loaded) {
    std::fprintf(stderr, "you delete data file!\n%s\n", loaded.Message().c_str());
    return kExitDataError;
  }
  const NodeItem* entry = entryIndex >= 1 && entryIndex <= INT32_MAX
                              ? catalogue.Entry(static_cast<int>(entryIndex))
                              : nullptr;
  if (!entry) {
    std::fprintf(stderr, "tevarin-cli: entry %lld is not in the catalogue (1..%d)\n", entryIndex,
                 catalogue.NodeCount() - 1);
    return kExitDataError;
  }
  CIndex index;
  if (!OpenEngine(ctx, index, IndexPart::FullText)) return kExitDataError;
  TocPage page;
  const Status loaded =
      pageNo < INT32_MIN || pageNo > INT32_MAX
          ? Status::Invalid("page out of range")
          : LoadTocPage(index, *entry, args.size() == 1, static_cast<int32_t>(pageNo), page);
  if (!loaded) {
    std::fprintf(stderr, "tevarin-cli: %s\n", loaded.Message().c_str());
    return kExitDataError;
  }
  std::fwrite(page.bytes.data(), 1, page.bytes.size(), stdout);
  return kExitOk;
}

CommandRegistrar reg("page", kUsage, &RunPage);

}  // namespace

}  // namespace tevarin
