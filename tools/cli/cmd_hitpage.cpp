// tevarin-cli hitpage: a page rebuilt with every keyword marked, as opening a
// search result shows it. Writes the page to standard output and the number
// of hit anchors to standard error.
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "index/index.h"

namespace tevarin {

namespace {

constexpr const char* kUsage = "hitpage [--scope full|body|notes] [--variants] RECORD KEYWORDS";

bool ParseScope(const std::string& s, HitScope& scope) {
  if (s == "full") scope = HitScope::WholeText;
  else if (s == "body") scope = HitScope::Body;
  else if (s == "notes") scope = HitScope::Notes;
  else return false;
  return true;
}

int RunHitPage(const CliContext& ctx, const std::vector<std::string>& args) {
  HitScope scope = HitScope::WholeText;
  bool variants = false;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--scope" && i + 1 < args.size()) {
      if (!ParseScope(args[++i], scope)) return UsageError(kUsage, "unknown scope " + args[i]);
    } else if (args[i] == "--variants") {
      variants = true;
    } else if (args[i].size() > 2 && args[i].compare(0, 2, "--") == 0) {
      return UsageError(kUsage, "unknown option " + args[i]);
    } else {
      rest.push_back(args[i]);
    }
  }
  long long record = 0;
  if (rest.size() != 2 || !ParseInt(rest[0], record)) return UsageError(kUsage);
  std::u16string keywords;
  if (!Utf8ToUtf16(rest[1], keywords)) return UsageError(kUsage, "KEYWORDS is not valid UTF-8");
  // A hit page marks the keywords of a search: a string the search refuses
  // has no hit page (marking its letters would mark the page's markup).
  if (!CIndex::AcceptsKeywords(keywords)) {
    std::fprintf(stderr, "%s\n", kRejectedKeywordsMessage);
    return kExitDataError;
  }
  CIndex index;
  if (!OpenEngine(ctx, index, IndexPart::FullText)) return kExitDataError;
  if (record < 0 || record >= index.Files().RecordCount()) {
    std::fprintf(stderr, "tevarin-cli: record %lld is outside the page table (0..%d)\n", record,
                 index.Files().RecordCount() - 1);
    return kExitDataError;
  }
  std::string page;
  HitPageReport report;
  const Status rendered =
      index.BuildHitPage(static_cast<int32_t>(record), page, keywords,
                         static_cast<int32_t>(scope), variants, report);
  // A record that cannot be rendered (unreadable, or a page too large to
  // mark) renders as nothing: say why instead of printing nothing.
  if (page.empty()) {
    std::fprintf(stderr, "tevarin-cli: %s\n",
                 rendered ? "the page cannot be rendered" : rendered.Message().c_str());
    return kExitDataError;
  }
  std::fwrite(page.data(), 1, page.size(), stdout);
  if (!report.note.empty()) std::fprintf(stderr, "note: %s\n", report.note.c_str());
  std::fprintf(stderr, "anchors: %d\n", report.anchors);
  return kExitOk;
}

CommandRegistrar reg("hitpage", kUsage, &RunHitPage);

}  // namespace

}  // namespace tevarin
