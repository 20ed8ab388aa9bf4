// Xapian: one document per page (document id = record index + 1), one
// positional term per character and scope: the scope's letter ("W" whole,
// "B" body, "N" notes) followed by the character's UTF-8 bytes, at the
// character's position + 1. The document data holds the page's three texts,
// one a line, for the check. Queried in process, boolean weighting, document
// order.
//
// Native queries: a run of adjacent characters is OP_PHRASE of its terms
// (a character with variant forms is OP_OR of the forms), which is exact.
// A keyword with "?" or "*" becomes OP_PHRASE over its single characters with
// a window as wide as the keyword can reach, or OP_AND of its runs' phrases,
// and the candidate documents' text is checked.
#include <xapian.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "comparetools.h"
#include "engine.h"
#include "pagetexts.h"
#include "peerquery.h"

using namespace tevarin;

namespace {

constexpr char kPrefix[3] = {'W', 'B', 'N'};

std::string TermOf(int scope, uint32_t cp) {
  std::string t(1, kPrefix[scope]);
  AppendUtf8(cp, t);
  return t;
}

Xapian::Query CharQuery(int scope, const PatternTerm& term) {
  if (term.forms.size() == 1) return Xapian::Query(TermOf(scope, term.forms[0]));
  std::vector<Xapian::Query> forms;
  for (uint32_t cp : term.forms) forms.emplace_back(TermOf(scope, cp));
  return Xapian::Query(Xapian::Query::OP_OR, forms.begin(), forms.end());
}

Xapian::Query RunQuery(int scope, const KeywordPattern& p, const LiteralRun& run) {
  if (run.count == 1) return CharQuery(scope, p.Term(run, 0));
  std::vector<Xapian::Query> terms;
  for (int k = 0; k < run.count; ++k) terms.push_back(CharQuery(scope, p.Term(run, k)));
  return Xapian::Query(Xapian::Query::OP_PHRASE, terms.begin(), terms.end(), static_cast<Xapian::termcount>(run.count));
}

Xapian::Query KeywordQuery(int scope, const KeywordPattern& p, bool& exact) {
  const auto runs = p.Runs();
  exact = runs.size() == 1;
  if (exact) return RunQuery(scope, p, runs[0]);
  const bool singles = std::all_of(runs.begin(), runs.end(), [](const LiteralRun& r) { return r.count == 1; });
  std::vector<Xapian::Query> parts;
  for (const auto& r : runs) parts.push_back(RunQuery(scope, p, r));
  if (singles)
    return Xapian::Query(Xapian::Query::OP_PHRASE, parts.begin(), parts.end(),
                         static_cast<Xapian::termcount>(p.MaxSpan() + 1));
  return Xapian::Query(Xapian::Query::OP_AND, parts.begin(), parts.end());
}

class XapianEngine : public Engine {
 public:
  bool Open(const EngineConfig& config, std::string& error) override {
    try {
      m_db = Xapian::Database(config.cache + "/xapian");
      m_docs = m_db.get_doccount();
    } catch (const Xapian::Error& e) {
      error = "xapian: " + e.get_description();
      return false;
    }
    return LoadVariantForms(config.data, m_forms);
  }

  bool Run(const Query& q, QueryAnswer& answer, std::string& error) override {
    try {
      const ParsedQuery parsed = ParseQuery(q, m_forms);
      std::vector<Xapian::Query> parts;
      std::vector<const KeywordPattern*> inexact;
      for (const auto& p : parsed.keywords) {
        if (!p.HasTerms()) {
          if (q.orMode) continue;
          return true;
        }
        bool exact = true;
        parts.push_back(KeywordQuery(q.scope, p, exact));
        if (!exact) inexact.push_back(&p);
      }
      if (parts.empty()) return true;
      answer.nativeExact = inexact.empty();
      if (!q.orMode || inexact.empty()) {
        const auto op = q.orMode ? Xapian::Query::OP_OR : Xapian::Query::OP_AND;
        Select(parts.size() == 1 ? parts[0] : Xapian::Query(op, parts.begin(), parts.end()), q.scope, inexact, answer);
        return true;
      }
      for (const auto& p : parsed.keywords) {
        if (!p.HasTerms()) continue;
        bool exact = true;
        const Xapian::Query one = KeywordQuery(q.scope, p, exact);
        std::vector<const KeywordPattern*> check;
        if (!exact) check.push_back(&p);
        Select(one, q.scope, check, answer);
      }
      std::sort(answer.pages.begin(), answer.pages.end());
      answer.pages.erase(std::unique(answer.pages.begin(), answer.pages.end()), answer.pages.end());
      return true;
    } catch (const Xapian::Error& e) {
      error = "xapian: " + e.get_description();
      return false;
    }
  }

 private:
  void Select(const Xapian::Query& query, int scope, const std::vector<const KeywordPattern*>& check,
              QueryAnswer& answer) {
    Xapian::Enquire enquire(m_db);
    enquire.set_weighting_scheme(Xapian::BoolWeight());
    enquire.set_docid_order(Xapian::Enquire::ASCENDING);
    enquire.set_query(query);
    const Xapian::MSet mset = enquire.get_mset(0, m_docs);
    for (auto it = mset.begin(); it != mset.end(); ++it) {
      if (!check.empty()) {
        ++answer.candidates;
        const std::string data = it.get_document().get_data();
        size_t from = 0;
        for (int s = 0; s < scope; ++s) from = data.find('\n', from) + 1;
        const size_t to = data.find('\n', from);
        m_chars.clear();
        DecodeUtf8(std::string_view(data).substr(from, to == std::string::npos ? std::string::npos : to - from),
                   m_chars);
        bool all = true;
        for (const auto* p : check) all = all && p->Matches(m_chars.data(), m_chars.size());
        if (!all) continue;
      }
      answer.pages.push_back(*it - 1);
    }
  }

  Xapian::Database m_db;
  Xapian::doccount m_docs = 0;
  VariantForms m_forms;
  std::vector<uint32_t> m_chars;
};

}  // namespace

std::unique_ptr<Engine> MakeXapianEngine() { return std::make_unique<XapianEngine>(); }

bool BuildXapianIndex(const std::string& cache, std::string& error) {
  MappedFile files[3];
  for (int s = 0; s < 3; ++s)
    if (!files[s].Open(cache + "/" + kScopeNames[s] + ".txt", error)) return false;
  const std::string path = cache + "/xapian";
  const std::string part = path + ".part";
  const std::string compacting = path + ".compact";
  std::error_code ec;
  std::filesystem::remove_all(part, ec);
  std::filesystem::remove_all(compacting, ec);
  try {
    // Flush in large batches: the default of 10,000 documents writes more often than needed.
    setenv("XAPIAN_FLUSH_THRESHOLD", "200000", 1);
    Xapian::WritableDatabase db(part, Xapian::DB_CREATE_OR_OVERWRITE);
    std::string_view rest[3];
    for (int s = 0; s < 3; ++s) rest[s] = files[s].View();
    std::vector<uint32_t> chars;
    for (Xapian::docid id = 1; !rest[0].empty(); ++id) {
      Xapian::Document doc;
      std::string data;
      for (int s = 0; s < 3; ++s) {
        const size_t nl = rest[s].find('\n');
        if (nl == std::string_view::npos) {
          error = "xapian: " + std::string(kScopeNames[s]) + ".txt has fewer pages than whole.txt";
          return false;
        }
        const std::string_view line = rest[s].substr(0, nl);
        rest[s].remove_prefix(nl + 1);
        chars.clear();
        DecodeUtf8(line, chars);
        for (size_t i = 0; i < chars.size(); ++i) doc.add_posting(TermOf(s, chars[i]), static_cast<Xapian::termpos>(i + 1));
        data.append(line);
        if (s < 2) data.push_back('\n');
      }
      doc.set_data(data);
      db.replace_document(id, doc);
    }
    db.commit();
    // Compacted into one optimally packed database, as a read-only index would be shipped.
    db.compact(compacting, Xapian::DBCOMPACT_SINGLE_FILE);
    db.close();
  } catch (const Xapian::Error& e) {
    error = "xapian: " + e.get_description();
    return false;
  }
  std::filesystem::remove_all(part, ec);
  std::filesystem::remove_all(path, ec);
  std::filesystem::rename(compacting, path, ec);
  if (ec) {
    error = "xapian: cannot rename " + compacting + ": " + ec.message();
    return false;
  }
  return true;
}
