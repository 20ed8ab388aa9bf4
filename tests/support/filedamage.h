// Damaging a copy of a collection in place, for the checkers' tests.
#pragma once

#include <functional>
#include <string>

#include "support/testutil.h"

namespace tevarin {

// Rewrites dir/name with f applied to its bytes.
inline void Edit(const TempDir& dir, const std::string& name,
                 const std::function<void(std::string&)>& f) {
  std::string bytes = ReadFile(dir.file(name));
  f(bytes);
  WriteFile(dir.file(name), bytes);
}

// One damage and the words a problem line must hold for it.
struct Damage {
  const char* what;
  std::function<void(const TempDir&)> apply;
  const char* words;
};

// All problem lines, one a line.
template <typename Report>
std::string ProblemText(const Report& report) {
  std::string all;
  for (const auto& p : report.Problems()) all += p + "\n";
  return all;
}

}  // namespace tevarin
