// CollectionVerifier: checks a collection's data files thoroughly and says in
// words what is wrong. It reads the files through the engine's own readers
// (CFileList, CIndex, the variant table and the catalogue reader) and then
// checks what those readers take on trust:
//   book store   every record's name (terminated, with a page number) and its
//                byte range inside the content file; no partial last record;
//   each index   no more block chain entries than the postings file has blocks;
//                every slot with postings is a character's or a variant group's
//                slot; its chain stays inside the postings file and the block
//                chain, visits no block twice and reaches the slot's last page;
//                page entries ascend, name records of the page table and hold
//                ascending positions that fill their byte count exactly; a group
//                slot holds its members' postings;
//   variants     at most as many groups as there are group slots, no member 0;
//   catalogue    whole records, levels that nest, ranges inside the page table
//                and inside the parent, siblings in order, page numbers of a
//                volume's records running on from curFileName.
// The work is linear in the size of the files: one pass over the page table,
// one decode of every postings stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tevarin {

class CIndex;
class CFileList;

class CollectionVerifier {
 public:
  // Listed problems per part of the collection; more are only counted.
  static constexpr int kListedPerPart = 20;

  CollectionVerifier(std::string folder, std::string baseName = "Index")
      : m_folder(std::move(folder)), m_base(std::move(baseName)) {}

  // Runs every check; true when no problem was found.
  bool Verify();

  // The checks one by one, each true when it found no problem. The index and
  // catalogue checks need CheckBook first (they compare with the page table);
  // the index check takes the variant groups from the reader's own loading.
  bool CheckBook();
  bool CheckVariants();
  bool CheckIndex(int indexPart);
  // The same on an index the caller has opened with that part.
  bool CheckOpenIndex(const CIndex& index, int indexPart);
  bool CheckCatalogue();

  // One line per problem, grouped by the part of the collection it concerns.
  const std::vector<std::string>& Problems() const { return m_problems; }
  size_t ProblemCount() const { return m_problemCount; }
  // Short lines with the figures of what was checked.
  const std::vector<std::string>& Summary() const { return m_summary; }

 private:
  struct Part {
    std::string name;
    size_t count = 0;
  };
  void Problem(Part& part, const std::string& what);
  // The same for a problem that can come once per record: its words are made
  // only when it is listed.
  template <typename Words>
  void CountedProblem(Part& part, Words words) {
    if (part.count < static_cast<size_t>(kListedPerPart)) {
      Problem(part, words());
    } else {
      ++part.count;
      ++m_problemCount;
    }
  }
  bool FinishPart(const Part& part);

  std::string m_folder;
  std::string m_base;
  std::vector<std::string> m_problems;
  size_t m_problemCount = 0;
  std::vector<std::string> m_summary;

  // Figures shared between the checks.
  bool m_bookOpen = false;
  int32_t m_recordCount = 0;
  std::vector<int32_t> m_pageNumbers;  // per record; INT32_MIN when it has none
  size_t m_groupCount = 0;
  bool m_variantsLoaded = false;
};

}  // namespace tevarin
