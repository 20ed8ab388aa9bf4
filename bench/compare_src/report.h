// The comparison's report: per query class the median and p95 answer time of
// every engine, the page sets of every peer held against tevarin's, index
// build time, size and peak memory, tevarin's postings throughput against the
// measured memory bandwidth. Written as Markdown and ended, on standard
// output too, by one line per class and the speedup summary line.
#pragma once

#include <string>

struct ReportOptions {
  std::string queries;  // the query set
  std::string results;  // folder of <engine>.tsv and bandwidth.txt
  std::string cache;    // folder of <engine>.build and export.check
  std::string out;      // the Markdown file
  int reps = 0;
  int warmup = 0;
  int rounds = 1;  // fresh processes per engine, merged (tevarin-compare merge)
  std::string source;      // the engine's source revision
  std::string collection;  // the collection's folder
  int seconds = 0;         // the whole comparison so far
};

// 0 when the report was written (whatever it says), 1 when it could not be.
int WriteReport(const ReportOptions& options);
