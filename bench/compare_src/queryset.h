// The committed query set (bench/compare_queries.tsv). One query a line,
// fields separated by tabs; "#" starts a comment line:
//   class   a name of the query class (one_frequent, phrase2, ...)
//   mode    "and" or "or": how the keywords combine
//   scope   "whole", "body" or "notes"
//   variant "0" or "1": variant characters count as the same character
//   keywords the keyword string, UTF-8, keywords separated by spaces
#pragma once

#include <string>
#include <vector>

struct Query {
  std::string id;        // class and number within the class: "phrase2/3"
  std::string cls;
  bool orMode = false;
  int scope = 0;         // Scope of pagetexts.h
  bool variants = false;
  std::string keywords;  // UTF-8
};

bool ReadQueries(const std::string& path, std::vector<Query>& out, std::string& error);
// The classes in the order of their first query.
std::vector<std::string> QueryClasses(const std::vector<Query>& queries);
