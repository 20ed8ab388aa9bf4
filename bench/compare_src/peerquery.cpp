#include "peerquery.h"

#include "comparetools.h"
#include "index/index.h"

using namespace tevarin;

ParsedQuery ParseQuery(const Query& q, const VariantForms& forms) {
  ParsedQuery out;
  for (const auto& keyword : SplitKeywords(q.keywords))
    out.keywords.push_back(ParseKeyword(keyword, q.variants, forms));
  return out;
}

std::vector<std::string> RunForms(const KeywordPattern& p, const LiteralRun& run, size_t limit) {
  size_t combos = 1;
  for (int k = 0; k < run.count; ++k) {
    combos *= p.Term(run, k).forms.size();
    if (combos > limit) return {};
  }
  std::vector<std::string> out{""};
  for (int k = 0; k < run.count; ++k) {
    std::vector<std::string> next;
    for (const std::string& prefix : out)
      for (uint32_t cp : p.Term(run, k).forms) {
        std::string s = prefix;
        AppendUtf8(cp, s);
        next.push_back(std::move(s));
      }
    out.swap(next);
  }
  return out;
}

bool LoadVariantForms(const std::string& data, VariantForms& forms) {
  CIndex table;  // only its variant table: no index is opened
  (void)table.LoadVariantTable(data);  // without a table there are no variant forms
  forms.Build(table);
  return true;
}
