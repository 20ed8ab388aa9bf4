// SQLite FTS5: one row per page (rowid = record index) with three columns,
// whole, body and notes, tokenized by "tevarin_chars", a tokenizer that makes
// every character with a slot one token, so phrases are positional per
// character. Queried in process through the C API.
//
// Native queries: a keyword of one run of adjacent characters is a phrase
// (with variant forms, the OR of every form's phrase), which answers it
// exactly. A keyword with "?" or "*" becomes NEAR over its runs' phrases (or
// AND of the runs when they have variant forms), and the candidate rows' text
// is checked.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "comparetools.h"
#include "engine.h"
#include "index/charslot.h"
#include "pagetexts.h"
#include "peerquery.h"

using namespace tevarin;

namespace {

constexpr const char* kTokenizer = "tevarin_chars";
constexpr size_t kFormLimit = 64;

int TokCreate(void*, const char**, int, Fts5Tokenizer** out) {
  static int instance;
  *out = reinterpret_cast<Fts5Tokenizer*>(&instance);
  return SQLITE_OK;
}

void TokDelete(Fts5Tokenizer*) {}

int TokTokenize(Fts5Tokenizer*, void* ctx, int, const char* text, int n,
                int (*token)(void*, int, const char*, int, int, int)) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  for (int i = 0; i < n;) {
    const unsigned c = p[i];
    int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (i + len > n) len = n - i;
    uint32_t cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
    if (CharToSlot(cp) >= 0) {
      const int rc = token(ctx, 0, text + i, len, i, i + len);
      if (rc != SQLITE_OK) return rc;
    }
    i += len;
  }
  return SQLITE_OK;
}

bool RegisterTokenizer(sqlite3* db, std::string& error) {
  fts5_api* api = nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_pointer(stmt, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
    sqlite3_step(stmt);
  }
  sqlite3_finalize(stmt);
  if (!api) {
    error = "fts5: this SQLite has no FTS5";
    return false;
  }
  fts5_tokenizer tok{TokCreate, TokDelete, TokTokenize};
  if (api->xCreateTokenizer(api, kTokenizer, nullptr, &tok, nullptr) != SQLITE_OK) {
    error = "fts5: cannot register the tokenizer";
    return false;
  }
  return true;
}

bool Exec(sqlite3* db, const std::string& sql, std::string& error) {
  char* msg = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    error = "fts5: " + sql + ": " + (msg ? msg : "failed");
    sqlite3_free(msg);
    return false;
  }
  return true;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string JoinOr(const std::vector<std::string>& phrases) {
  if (phrases.size() == 1) return Quote(phrases[0]);
  std::string out = "(";
  for (size_t i = 0; i < phrases.size(); ++i) out += (i ? " OR " : "") + Quote(phrases[i]);
  return out + ")";
}

// A run as FTS5 can say it; exact is cleared when it says less.
std::string RunExpr(const KeywordPattern& p, const LiteralRun& run, bool& exact) {
  const auto forms = RunForms(p, run, kFormLimit);
  if (!forms.empty()) return JoinOr(forms);
  exact = false;  // too many forms: each character's forms, adjacency left to the check
  std::string out;
  for (int k = 0; k < run.count; ++k) {
    std::vector<std::string> one;
    for (uint32_t cp : p.Term(run, k).forms) {
      one.emplace_back();
      AppendUtf8(cp, one.back());
    }
    out += (k ? " AND " : "") + JoinOr(one);
  }
  return "(" + out + ")";
}

std::string KeywordExpr(const KeywordPattern& p, bool& exact) {
  exact = true;
  const auto runs = p.Runs();
  if (runs.size() == 1) return RunExpr(p, runs[0], exact);
  exact = false;
  std::string out;
  if (!p.HasAlternatives()) {
    out = "NEAR(";
    for (size_t r = 0; r < runs.size(); ++r) out += (r ? " " : "") + RunExpr(p, runs[r], exact);
    return out + ", " + std::to_string(p.MaxSpan()) + ")";
  }
  for (size_t r = 0; r < runs.size(); ++r) out += (r ? " AND " : "") + RunExpr(p, runs[r], exact);
  return "(" + out + ")";
}

class Fts5Engine : public Engine {
 public:
  ~Fts5Engine() override {
    for (auto* s : m_withText) sqlite3_finalize(s);
    sqlite3_finalize(m_rowids);
    if (m_db) sqlite3_close(m_db);
  }

  bool Open(const EngineConfig& config, std::string& error) override {
    const std::string path = config.cache + "/fts5.db";
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      error = "fts5: cannot open " + path;
      return false;
    }
    if (!RegisterTokenizer(m_db, error)) return false;
    // Hot-cache settings a user would choose for a read-only index.
    if (!Exec(m_db, "PRAGMA mmap_size = 4000000000; PRAGMA cache_size = -1000000;", error)) return false;
    if (sqlite3_prepare_v2(m_db, "SELECT rowid FROM pages WHERE pages MATCH ?1", -1, &m_rowids, nullptr) != SQLITE_OK) {
      error = std::string("fts5: ") + sqlite3_errmsg(m_db);
      return false;
    }
    for (int s = 0; s < 3; ++s) {
      const std::string sql = std::string("SELECT rowid, ") + kScopeNames[s] + " FROM pages WHERE pages MATCH ?1";
      if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &m_withText[s], nullptr) != SQLITE_OK) {
        error = std::string("fts5: ") + sqlite3_errmsg(m_db);
        return false;
      }
    }
    return LoadVariantForms(config.data, m_forms);
  }

  bool Run(const Query& q, QueryAnswer& answer, std::string& error) override {
    const ParsedQuery parsed = ParseQuery(q, m_forms);
    const std::string col = std::string("{") + kScopeNames[q.scope] + "} : ";
    std::vector<std::string> exprs;
    std::vector<const KeywordPattern*> inexact;
    for (const auto& p : parsed.keywords) {
      if (!p.HasTerms()) {
        if (q.orMode) continue;
        return true;  // a keyword that cannot match empties an AND search
      }
      bool exact = true;
      exprs.push_back(col + "(" + KeywordExpr(p, exact) + ")");
      if (!exact) inexact.push_back(&p);
    }
    if (exprs.empty()) return true;
    answer.nativeExact = inexact.empty();
    if (!q.orMode || inexact.empty()) {
      std::string expr;
      for (size_t i = 0; i < exprs.size(); ++i) expr += (i ? (q.orMode ? " OR " : " AND ") : "") + exprs[i];
      return Select(expr, q.scope, inexact, answer, error);
    }
    // OR with keywords that need the check: each keyword on its own, then the union.
    for (size_t i = 0; i < parsed.keywords.size(); ++i) {
      const auto& p = parsed.keywords[i];
      if (!p.HasTerms()) continue;
      bool exact = true;
      const std::string expr = col + "(" + KeywordExpr(p, exact) + ")";
      std::vector<const KeywordPattern*> check;
      if (!exact) check.push_back(&p);
      if (!Select(expr, q.scope, check, answer, error)) return false;
    }
    std::sort(answer.pages.begin(), answer.pages.end());
    answer.pages.erase(std::unique(answer.pages.begin(), answer.pages.end()), answer.pages.end());
    return true;
  }

 private:
  // Appends the rows that match expr and, when check is not empty, whose
  // scope text holds every keyword of check.
  bool Select(const std::string& expr, int scope, const std::vector<const KeywordPattern*>& check,
              QueryAnswer& answer, std::string& error) {
    sqlite3_stmt* stmt = check.empty() ? m_rowids : m_withText[scope];
    sqlite3_reset(stmt);
    sqlite3_bind_text(stmt, 1, expr.c_str(), static_cast<int>(expr.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const auto row = static_cast<uint32_t>(sqlite3_column_int64(stmt, 0));
      if (!check.empty()) {
        ++answer.candidates;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        m_chars.clear();
        DecodeUtf8(std::string_view(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt, 1))), m_chars);
        bool all = true;
        for (const auto* p : check) all = all && p->Matches(m_chars.data(), m_chars.size());
        if (!all) continue;
      }
      answer.pages.push_back(row);
    }
    if (rc != SQLITE_DONE) {
      error = "fts5: " + expr + ": " + sqlite3_errmsg(m_db);
      return false;
    }
    return true;
  }

  sqlite3* m_db = nullptr;
  sqlite3_stmt* m_rowids = nullptr;
  sqlite3_stmt* m_withText[3] = {nullptr, nullptr, nullptr};
  VariantForms m_forms;
  std::vector<uint32_t> m_chars;
};

}  // namespace

std::unique_ptr<Engine> MakeFts5Engine() { return std::make_unique<Fts5Engine>(); }

bool BuildFts5Index(const std::string& cache, std::string& error) {
  MappedFile files[3];
  for (int s = 0; s < 3; ++s)
    if (!files[s].Open(cache + "/" + kScopeNames[s] + ".txt", error)) return false;
  const std::string path = cache + "/fts5.db";
  const std::string part = path + ".part";
  unlink(part.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(part.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    error = "fts5: cannot create " + part;
    sqlite3_close(db);
    return false;
  }
  auto fail = [&](const std::string& why) {
    if (error.empty()) error = why;
    sqlite3_close(db);
    unlink(part.c_str());
    return false;
  };
  if (!RegisterTokenizer(db, error)) return fail("");
  if (!Exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -1000000;", error) ||
      !Exec(db, std::string("CREATE VIRTUAL TABLE pages USING fts5(whole, body, notes, tokenize = '") + kTokenizer + "')",
            error) ||
      !Exec(db, "BEGIN", error))
    return fail("");
  sqlite3_stmt* ins = nullptr;
  if (sqlite3_prepare_v2(db, "INSERT INTO pages(rowid, whole, body, notes) VALUES (?1, ?2, ?3, ?4)", -1, &ins,
                         nullptr) != SQLITE_OK)
    return fail(std::string("fts5: ") + sqlite3_errmsg(db));
  std::string_view rest[3];
  for (int s = 0; s < 3; ++s) rest[s] = files[s].View();
  for (int64_t row = 0; !rest[0].empty(); ++row) {
    sqlite3_bind_int64(ins, 1, row);
    for (int s = 0; s < 3; ++s) {
      const size_t nl = rest[s].find('\n');
      if (nl == std::string_view::npos) {
        sqlite3_finalize(ins);
        return fail("fts5: " + std::string(kScopeNames[s]) + ".txt has fewer pages than whole.txt");
      }
      sqlite3_bind_text(ins, 2 + s, rest[s].data(), static_cast<int>(nl), SQLITE_STATIC);
      rest[s].remove_prefix(nl + 1);
    }
    if (sqlite3_step(ins) != SQLITE_DONE) {
      const std::string why = std::string("fts5: insert: ") + sqlite3_errmsg(db);
      sqlite3_finalize(ins);
      return fail(why);
    }
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  if (!Exec(db, "COMMIT", error) || !Exec(db, "INSERT INTO pages(pages) VALUES ('optimize')", error))
    return fail("");
  if (sqlite3_close(db) != SQLITE_OK) {
    error = "fts5: cannot close " + part;
    return false;
  }
  if (std::rename(part.c_str(), path.c_str()) != 0) {
    error = "fts5: cannot rename " + part;
    return false;
  }
  return true;
}
