// tevarin: the collection's own indexes, searched through CIndex exactly as
// the search form does (SearchAnd / SearchOr, hit counting on), with their
// companion postings files or, for the figures without them, without.
#include <map>

#include "comparetools.h"
#include "engine.h"
#include "index/charslot.h"
#include "index/index.h"
#include "keywordpattern.h"

using namespace tevarin;

namespace {

constexpr IndexPart kIndexPartOfScope[3] = {IndexPart::FullText, IndexPart::Body, IndexPart::Notes};

std::u16string ToUtf16(const std::string& utf8) {
  std::vector<uint32_t> cps;
  DecodeUtf8(utf8, cps);
  std::u16string out;
  for (uint32_t cp : cps) {
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

class TevarinEngine : public Engine {
 public:
  explicit TevarinEngine(bool companion) : m_companion(companion) {}

  bool Open(const EngineConfig& config, std::string& error) override {
    for (int s = 0; s < 3; ++s) {
      m_index[s].UseCompanion(m_companion);
      if (const Status opened = m_index[s].Open(config.data, "Index", kIndexPartOfScope[s]); !opened) {
        error = "tevarin: " + opened.Message();
        return false;
      }
    }
    return true;
  }

  std::string Note() const override {
    if (!m_companion) return "the index files alone (companion not used)";
    std::string note;
    for (int s = 0; s < 3; ++s) {
      const CIndex& index = m_index[s];
      note += std::string(s ? "; " : "") + kScopeLabel[s] + ": ";
      note += index.CompanionInUse() ? "companion in use" : "companion NOT in use (" + index.CompanionStatus().Message() + ")";
    }
    return note;
  }

  bool Run(const Query& q, QueryAnswer& answer, std::string& error) override {
    CIndex& index = m_index[q.scope];
    std::u16string keywords = ToUtf16(q.keywords);  // changed in place by the search
    if (!CIndex::AcceptsKeywords(keywords)) {
      error = "tevarin rejects the keyword string of " + q.id;
      return false;
    }
    if (q.orMode)
      index.SearchOr(keywords, true, q.variants);
    else
      index.SearchAnd(keywords, true, q.variants);
    answer.pages = index.GetHitPages();
    return true;
  }

  // Every term's whole postings stream: what the search may read at most.
  uint64_t IndexBytes(const Query& q) override {
    const CIndex& index = m_index[q.scope];
    uint64_t sum = 0;
    VariantForms none;
    for (const auto& keyword : SplitKeywords(q.keywords)) {
      const KeywordPattern p = ParseKeyword(keyword, false, none);
      uint64_t bytes = 0;
      bool all = true;
      for (const auto& seg : p.segments)
        for (const auto& t : seg.terms) {
          int slot = CharToSlot(t.forms[0]);
          if (q.variants) index.FindVariantSlot(t.forms[0], slot);
          if (!index.Postings().HasPostings(slot)) all = false;
          else bytes += StreamBytes(q.scope, slot);
        }
      if (all) sum += bytes;
    }
    return sum;
  }

 private:
  uint64_t StreamBytes(int scope, int slot) {
    const auto key = std::make_pair(scope, slot);
    const auto it = m_streamBytes.find(key);
    if (it != m_streamBytes.end()) return it->second;
    const PostingsFile& file = m_index[scope].Postings();
    PostingsCursor c = file.Cursor(slot);
    uint64_t bytes = 0;
    uint32_t page = 0;
    while (true) {
      uint32_t delta, used;
      uint16_t count;
      if (!c.ReadVarint(delta, &used) || !c.ReadU16(count) || !c.Skip(count)) break;
      bytes += used + 2 + count;
      page += delta;
      if (page >= file.LastPage(slot)) break;
    }
    m_streamBytes.emplace(key, bytes);
    return bytes;
  }

  static constexpr const char* kScopeLabel[3] = {"whole", "body", "notes"};
  bool m_companion;
  CIndex m_index[3];
  std::map<std::pair<int, int>, uint64_t> m_streamBytes;
};

}  // namespace

std::unique_ptr<Engine> MakeTevarinEngine(bool companion) { return std::make_unique<TevarinEngine>(companion); }
