#include "queryset.h"

#include <algorithm>
#include <map>

#include "comparetools.h"
#include "pagetexts.h"

bool ReadQueries(const std::string& path, std::vector<Query>& out, std::string& error) {
  std::string text;
  if (!ReadWholeFile(path, text, error)) return false;
  std::map<std::string, int> numbers;
  int lineNo = 0;
  for (const std::string& line : SplitString(text, '\n')) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    const auto f = SplitString(line, '\t');
    const std::string where = path + ":" + std::to_string(lineNo) + ": ";
    if (f.size() != 5) {
      error = where + "expected 5 tab-separated fields, found " + std::to_string(f.size());
      return false;
    }
    Query q;
    q.cls = f[0];
    if (f[1] != "and" && f[1] != "or") {
      error = where + "mode must be and or or";
      return false;
    }
    q.orMode = f[1] == "or";
    const auto scope = std::find(std::begin(kScopeNames), std::end(kScopeNames), f[2]);
    if (scope == std::end(kScopeNames)) {
      error = where + "scope must be whole, body or notes";
      return false;
    }
    q.scope = static_cast<int>(scope - std::begin(kScopeNames));
    if (f[3] != "0" && f[3] != "1") {
      error = where + "variant must be 0 or 1";
      return false;
    }
    q.variants = f[3] == "1";
    q.keywords = f[4];
    if (q.cls.empty() || q.keywords.empty()) {
      error = where + "empty class or keywords";
      return false;
    }
    q.id = q.cls + "/" + std::to_string(++numbers[q.cls]);
    out.push_back(std::move(q));
  }
  if (out.empty()) {
    error = path + " holds no query";
    return false;
  }
  return true;
}

std::vector<std::string> QueryClasses(const std::vector<Query>& queries) {
  std::vector<std::string> out;
  for (const Query& q : queries)
    if (std::find(out.begin(), out.end(), q.cls) == out.end()) out.push_back(q.cls);
  return out;
}
