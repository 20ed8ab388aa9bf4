// tevarin-cli stats: the figures of a collection — book store, the three
// indexes, catalogue entries and variant groups. For each index it also reads
// every postings stream as a search reads it and counts the streams that end
// before their last page entry (a damaged index; verify says where).
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalog/catalogueformat.h"
#include "cli.h"
#include "index/index.h"
#include "index/indexcheck.h"

namespace tevarin {

namespace {

constexpr const char* kUsage = "stats";

constexpr IndexPart kParts[] = {IndexPart::FullText, IndexPart::Body, IndexPart::Notes};

long long FileSizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

int RunStats(const CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kUsage, "stats takes no arguments");
  CIndex index;
  if (!OpenEngine(ctx, index, IndexPart::FullText)) return kExitDataError;
  const CFileList& files = index.Files();
  std::printf("data folder: %s\n", ctx.dataDir.c_str());
  std::printf("records: %d\n", files.RecordCount());
  std::printf("stored header value: %d\n", index.GetHeaderValue());
  std::printf("name width: %d\n", files.NameWidth());
  std::printf("content file size: %lld\n", static_cast<long long>(files.ContentSize()));
  std::printf("variant groups: %zu\n", index.VariantGroups().size());

  for (const IndexPart part : kParts) {
    if (const Status opened = index.SelectPart(part); !opened) {
      std::fprintf(stderr, "%s\n%s\n", kOpenFailedMessage, opened.Message().c_str());
      return kExitDataError;
    }
    const PostingsFile& postings = index.Postings();
    int slots = 0;
    for (int s = 0; s < kSlotCount; ++s) slots += postings.HasPostings(s) ? 1 : 0;
    std::printf("index %s: slots with postings %d, postings file size %zu, streams cut short %zu\n",
                IndexFileName("Index", part).c_str(), slots, postings.Size(),
                SweepCutShortStreams(postings));
  }
  const long long catalogue = FileSizeOf(ctx.dataDir + "/" + kCatalogueName);
  if (catalogue >= 0)
    std::printf("catalogue entries: %lld\n",
                catalogue / static_cast<long long>(kCatalogueRecordSize));
  else
    std::printf("catalogue entries: none (vok.dir missing)\n");
  return kExitOk;
}

CommandRegistrar reg("stats", kUsage, &RunStats);

}  // namespace

}  // namespace tevarin
