// CollectionVerifier: checks a collection's data files thoroughly and says in
// words what is wrong. It gathers the checks that sit beside each format's
// reader: the book store (store/bookcheck.h), the variant table, the three
// indexes and their companion postings files (index/indexcheck.h), and the
// catalogue (catalog/cataloguecheck.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/checkreport.h"
#include "base/status.h"
#include "index/indexformat.h"
#include "index/varianttable.h"
#include "store/bookcheck.h"

namespace tevarin {

class PostingsFile;

class CollectionVerifier {
 public:
  // Listed problems per part of the collection; more are only counted.
  static constexpr int kListedPerPart = static_cast<int>(CheckReport::kListedPerPart);

  CollectionVerifier(std::string folder, std::string baseName = "Index")
      : m_folder(std::move(folder)), m_base(std::move(baseName)) {}

  // Runs every check; Ok when no problem was found, else the first problem.
  Status Verify();

  // The checks one by one, each Ok when it found no problem. The index and
  // catalogue checks need CheckBook first (they compare with the page table);
  // the index checks load the variant table when CheckVariants has not.
  Status CheckBook();
  Status CheckVariants();
  Status CheckIndex(IndexPart part);
  // The same on an index the caller has opened with that part, against its
  // own variant table.
  Status CheckOpenIndex(const PostingsFile& postings, const VariantTable& variants, IndexPart part);
  // The companion postings file of an index (none is no problem): against
  // the index files it opens, or against an index the caller has open.
  Status CheckCompanion(IndexPart part);
  Status CheckOpenCompanion(const PostingsFile& postings, IndexPart part);
  Status CheckCatalogue();

  // One line per problem, grouped by the part of the collection it concerns.
  const std::vector<std::string>& Problems() const { return m_report.Problems(); }
  size_t ProblemCount() const { return m_report.ProblemCount(); }
  // Short lines with the figures of what was checked.
  const std::vector<std::string>& Summary() const { return m_report.Summary(); }

 private:
  // The index checks' group table: CheckVariants', else loaded quietly.
  const VariantTable& Variants();
  Status BookNotOpen(IndexPart part);

  std::string m_folder;
  std::string m_base;
  CheckReport m_report;
  BookFacts m_book;
  VariantTable m_variants;
  bool m_variantsLoaded = false;
};

}  // namespace tevarin
