// tevarin-cli stats: the figures of a collection — book store, the three
// indexes, catalogue entries and variant groups.
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "cli.h"
#include "index/index.h"

namespace tevarin {

namespace {

constexpr const char* kUsage = "stats";

struct PartInfo {
  int part;
  const char* name;
};
constexpr PartInfo kParts[] = {{FullText, "Index"}, {Body, "Index_content"}, {Notes, "Index_desc"}};

long long FileSizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

int RunStats(const CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kUsage, "stats takes no arguments");
  CIndex index;
  if (!OpenEngine(ctx, index, FullText)) return kExitDataError;
  const CFileList& files = index.Files();
  std::printf("data folder: %s\n", ctx.dataDir.c_str());
  std::printf("records: %d\n", files.RecordCount());
  std::printf("stored header value: %d\n", index.GetHeaderValue());
  std::printf("name width: %d\n", files.NameWidth());
  std::printf("content file size: %lld\n", static_cast<long long>(files.ContentSize()));
  std::printf("variant groups: %zu\n", index.VariantGroups().size());
  index.Close();

  for (const PartInfo& p : kParts) {
    if (!index.Open(ctx.dataDir, "Index", p.part)) {
      std::fprintf(stderr, "%s\n%s\n", kOpenFailedMessage, index.LastError().c_str());
      return kExitDataError;
    }
    int slots = 0;
    for (int s = 0; s < kSlotCount; ++s) slots += index.HasPostings(s) ? 1 : 0;
    std::printf("index %s: slots with postings %d, postings file size %zu\n", p.name, slots,
                index.PostingsSize());
    index.Close();
  }
  const long long catalogue = FileSizeOf(ctx.dataDir + "/vok.dir");
  if (catalogue >= 0)
    std::printf("catalogue entries: %lld\n", catalogue / 216);
  else
    std::printf("catalogue entries: none (vok.dir missing)\n");
  return kExitOk;
}

CommandRegistrar reg("stats", kUsage, &RunStats);

}  // namespace

}  // namespace tevarin
