#include "results.h"

#include <cstdio>
#include <cstdlib>

#include "comparetools.h"

bool WriteEngineResults(const EngineResults& r, const std::string& path, std::string& error) {
  std::string out = "engine\t" + r.engine + "\n";
  char num[64];
  std::snprintf(num, sizeof num, "%.3f", r.openMs);
  out += std::string("open_ms\t") + num + "\n";
  out += "maxrss_kb\t" + std::to_string(r.maxRssKb) + "\n";
  out += "children_maxrss_kb\t" + std::to_string(r.childrenMaxRssKb) + "\n";
  if (!r.note.empty()) out += "note\t" + r.note + "\n";
  for (const auto& [id, q] : r.queries) {
    if (!q.answered) {
      out += "error\t" + id + "\t" + q.error + "\n";
      continue;
    }
    out += "query\t" + id + "\t" + (q.nativeExact ? "1" : "0") + "\t" + std::to_string(q.candidates) + "\t" +
           std::to_string(q.indexBytes) + "\t";
    std::snprintf(num, sizeof num, "%.4f\t", q.firstMs);
    out += num;
    for (size_t i = 0; i < q.ms.size(); ++i) {
      std::snprintf(num, sizeof num, "%s%.4f", i ? "," : "", q.ms[i]);
      out += num;
    }
    out += "\t" + std::to_string(q.pages.size()) + "\t";
    for (size_t i = 0; i < q.pages.size(); ++i) out += (i ? "," : "") + std::to_string(q.pages[i]);
    out += "\n";
  }
  return WriteWholeFile(path, out, error);
}

bool ReadEngineResults(const std::string& path, EngineResults& r, std::string& error) {
  std::string text;
  if (!ReadWholeFile(path, text, error)) return false;
  for (const std::string& line : SplitString(text, '\n')) {
    if (line.empty()) continue;
    const auto f = SplitString(line, '\t');
    if (f[0] == "engine" && f.size() == 2) r.engine = f[1];
    else if (f[0] == "open_ms" && f.size() == 2) r.openMs = std::atof(f[1].c_str());
    else if (f[0] == "maxrss_kb" && f.size() == 2) r.maxRssKb = std::atol(f[1].c_str());
    else if (f[0] == "children_maxrss_kb" && f.size() == 2) r.childrenMaxRssKb = std::atol(f[1].c_str());
    else if (f[0] == "note" && f.size() == 2) r.note = f[1];
    else if (f[0] == "error" && f.size() >= 3) {
      QueryResult& q = r.queries[f[1]];
      q.answered = false;
      q.error = f[2];
    } else if (f[0] == "query" && f.size() == 9) {
      QueryResult& q = r.queries[f[1]];
      q.answered = true;
      q.nativeExact = f[2] == "1";
      q.candidates = std::strtoull(f[3].c_str(), nullptr, 10);
      q.indexBytes = std::strtoull(f[4].c_str(), nullptr, 10);
      q.firstMs = std::atof(f[5].c_str());
      for (const auto& ms : SplitString(f[6], ','))
        if (!ms.empty()) q.ms.push_back(std::atof(ms.c_str()));
      for (const auto& p : SplitString(f[8], ','))
        if (!p.empty()) q.pages.push_back(static_cast<uint32_t>(std::strtoul(p.c_str(), nullptr, 10)));
    } else {
      error = path + ": cannot read the line starting " + line.substr(0, 40);
      return false;
    }
  }
  return true;
}

std::map<std::string, std::string> ReadKeyValues(const std::string& path) {
  std::map<std::string, std::string> kv;
  std::string text, error;
  if (!ReadWholeFile(path, text, error)) return kv;
  for (const std::string& line : SplitString(text, '\n')) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) kv[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return kv;
}

bool WriteKeyValues(const std::map<std::string, std::string>& kv, const std::string& path, std::string& error) {
  std::string out;
  for (const auto& [k, v] : kv) out += k + "=" + v + "\n";
  return WriteWholeFile(path, out, error);
}
