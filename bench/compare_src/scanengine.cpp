// Brute force in process: the exported text of each scope (one page a line)
// mapped into memory and searched with memmem for the longest run of adjacent
// characters of a keyword (every combination of its variant forms); each page
// it is found on is a candidate, taken as it is when the keyword is that run
// and checked character by character otherwise. AND checks the remaining
// keywords on the first keyword's pages; OR joins the keywords' pages.
#include <string.h>

#include <algorithm>

#include "comparetools.h"
#include "engine.h"
#include "pagetexts.h"
#include "peerquery.h"

using namespace tevarin;

namespace {

constexpr size_t kFormLimit = 64;

class ScanEngine : public Engine {
 public:
  bool Open(const EngineConfig& config, std::string& error) override {
    for (int s = 0; s < 3; ++s) {
      if (!m_files[s].Open(config.cache + "/" + kScopeNames[s] + ".txt", error)) return false;
      const std::string_view v = m_files[s].View();
      auto& starts = m_lineStarts[s];
      starts.push_back(0);
      for (const char* p = v.data(); const void* nl = memchr(p, '\n', static_cast<size_t>(v.data() + v.size() - p));) {
        p = static_cast<const char*>(nl) + 1;
        starts.push_back(static_cast<uint64_t>(p - v.data()));
      }
    }
    return LoadVariantForms(config.data, m_forms);
  }

  bool Run(const Query& q, QueryAnswer& answer, std::string&) override {
    const ParsedQuery parsed = ParseQuery(q, m_forms);
    std::vector<const KeywordPattern*> keywords;
    for (const auto& p : parsed.keywords) {
      if (!p.HasTerms()) {
        if (q.orMode) continue;
        return true;
      }
      keywords.push_back(&p);
    }
    if (keywords.empty()) return true;
    if (q.orMode) {
      for (const auto* p : keywords) {
        std::vector<uint32_t> pages;
        const bool exact = Candidates(q.scope, *p, pages);
        if (!exact) answer.nativeExact = false;
        for (uint32_t page : pages)
          if (exact || Check(q.scope, page, {p}, answer)) answer.pages.push_back(page);
      }
      std::sort(answer.pages.begin(), answer.pages.end());
      answer.pages.erase(std::unique(answer.pages.begin(), answer.pages.end()), answer.pages.end());
      return true;
    }
    // AND: scan for the keyword with the longest anchor, check the others on its pages.
    const auto best = std::max_element(keywords.begin(), keywords.end(), [&](const auto* a, const auto* b) {
      return AnchorBytes(*a) < AnchorBytes(*b);
    });
    std::vector<uint32_t> pages;
    const bool exact = Candidates(q.scope, **best, pages);
    std::vector<const KeywordPattern*> rest;
    if (!exact) rest.push_back(*best);
    for (const auto* p : keywords)
      if (p != *best) rest.push_back(p);
    answer.nativeExact = rest.empty();
    for (uint32_t page : pages)
      if (rest.empty() || Check(q.scope, page, rest, answer)) answer.pages.push_back(page);
    return true;
  }

 private:
  // The run a keyword is scanned for: the longest one whose forms can be listed.
  const LiteralRun* Anchor(const KeywordPattern& p, std::vector<LiteralRun>& runs) const {
    runs = p.Runs();
    const LiteralRun* best = nullptr;
    size_t bestBytes = 0;
    for (const auto& r : runs) {
      const auto forms = RunForms(p, r, kFormLimit);
      if (forms.empty()) continue;
      if (forms[0].size() > bestBytes) {
        bestBytes = forms[0].size();
        best = &r;
      }
    }
    return best;
  }

  size_t AnchorBytes(const KeywordPattern& p) const {
    std::vector<LiteralRun> runs;
    const LiteralRun* a = Anchor(p, runs);
    return a ? RunForms(p, *a, kFormLimit)[0].size() : 0;
  }

  // The pages the keyword's anchor occurs on; true when they are exactly the
  // keyword's pages (the keyword is its anchor).
  bool Candidates(int scope, const KeywordPattern& p, std::vector<uint32_t>& pages) const {
    std::vector<LiteralRun> runs;
    const LiteralRun* anchor = Anchor(p, runs);
    const auto& starts = m_lineStarts[scope];
    const uint32_t pageCount = static_cast<uint32_t>(starts.size() - 1);
    if (!anchor) {  // every run has too many forms: every page is a candidate
      for (uint32_t page = 0; page < pageCount; ++page) pages.push_back(page);
      return false;
    }
    const auto forms = RunForms(p, *anchor, kFormLimit);
    const std::string_view text = m_files[scope].View();
    const char* base = text.data();
    const char* end = base + text.size();
    for (const std::string& needle : forms) {
      const char* at = base;
      while (at < end) {
        const void* hit = memmem(at, static_cast<size_t>(end - at), needle.data(), needle.size());
        if (!hit) break;
        const uint64_t offset = static_cast<uint64_t>(static_cast<const char*>(hit) - base);
        const auto next = std::upper_bound(starts.begin(), starts.end(), offset);
        pages.push_back(static_cast<uint32_t>(next - starts.begin() - 1));
        if (next == starts.end()) break;
        at = base + *next;  // on to the next page
      }
    }
    if (forms.size() > 1) {
      std::sort(pages.begin(), pages.end());
      pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    }
    return p.IsPhrase();
  }

  bool Check(int scope, uint32_t page, const std::vector<const KeywordPattern*>& keywords, QueryAnswer& answer) {
    ++answer.candidates;
    const auto& starts = m_lineStarts[scope];
    const std::string_view line = m_files[scope].View().substr(starts[page], starts[page + 1] - 1 - starts[page]);
    m_chars.clear();
    DecodeUtf8(line, m_chars);
    for (const auto* p : keywords)
      if (!p->Matches(m_chars.data(), m_chars.size())) return false;
    return true;
  }

  MappedFile m_files[3];
  std::vector<uint64_t> m_lineStarts[3];
  VariantForms m_forms;
  std::vector<uint32_t> m_chars;
};

}  // namespace

std::unique_ptr<Engine> MakeScanEngine() { return std::make_unique<ScanEngine>(); }
