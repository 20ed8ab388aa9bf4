// CheckReport: what the checks of the data files found, in words a user can
// act on, grouped by the part of the collection each concerns ("book store",
// "index Index_desc", ...), with short lines of the figures checked.
//
// A check opens a part, notes its problems there and finishes it; the first
// kListedPerPart problems of a part are listed, the rest only counted.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "base/status.h"

namespace tevarin {

class CheckReport {
 public:
  static constexpr size_t kListedPerPart = 20;

  class Part {
   public:
    Part(CheckReport& report, std::string name) : m_report(report), m_name(std::move(name)) {}
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    void Problem(const std::string& what, StatusCode code = StatusCode::kCorrupt) {
      Count(code);
      if (m_count <= kListedPerPart) m_report.m_problems.push_back(m_name + ": " + what);
      if (m_first.empty()) m_first = m_name + ": " + what;
    }
    // The same for a problem that can come once per record: its words are
    // made only when it is listed.
    template <typename Words>
    void CountedProblem(Words words, StatusCode code = StatusCode::kCorrupt) {
      if (m_count < kListedPerPart) {
        Problem(words(), code);
      } else {
        Count(code);
      }
    }
    size_t Count() const { return m_count; }
    const std::string& Name() const { return m_name; }

    // Notes how many problems were not listed; Ok when the part had none,
    // else the kind and words of its first problem.
    Status Finish() {
      if (m_count > kListedPerPart)
        m_report.m_problems.push_back(m_name + ": " + std::to_string(m_count - kListedPerPart) +
                                      " more problems");
      return m_count == 0 ? Status::Ok() : Status::Of(m_firstCode, m_first);
    }

   private:
    void Count(StatusCode code) {
      if (m_count == 0) m_firstCode = code;
      ++m_count;
      ++m_report.m_problemCount;
    }

    CheckReport& m_report;
    std::string m_name;
    size_t m_count = 0;
    std::string m_first;
    StatusCode m_firstCode = StatusCode::kOk;
  };

  // One line per listed problem, "<part>: <what>", in the order found.
  const std::vector<std::string>& Problems() const { return m_problems; }
  size_t ProblemCount() const { return m_problemCount; }
  // Short lines with the figures of what was checked.
  const std::vector<std::string>& Summary() const { return m_summary; }
  void AddSummary(std::string line) { m_summary.push_back(std::move(line)); }
  void Clear() {
    m_problems.clear();
    m_summary.clear();
    m_problemCount = 0;
  }

 private:
  std::vector<std::string> m_problems;
  std::vector<std::string> m_summary;
  size_t m_problemCount = 0;
};

}  // namespace tevarin
