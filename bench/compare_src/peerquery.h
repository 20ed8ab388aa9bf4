// What the peers share when they turn a query into their own: the keywords
// parsed as the collection's search reads them, with the variant forms of
// the collection's table, and the exact check of a page's text.
#pragma once

#include <string>
#include <vector>

#include "keywordpattern.h"
#include "queryset.h"

struct ParsedQuery {
  std::vector<KeywordPattern> keywords;  // in string order, keywords without terms included
};

ParsedQuery ParseQuery(const Query& q, const VariantForms& forms);

// Every combination of the forms of a run's terms, as UTF-8 strings, or
// nothing when there are more than limit of them.
std::vector<std::string> RunForms(const KeywordPattern& p, const LiteralRun& run, size_t limit);

// Loads the collection's variant table (data/yitizi.txt) as the search reads it.
bool LoadVariantForms(const std::string& data, VariantForms& forms);
