// CCatalogue: the catalogue (format in catalog/catalogueformat.h) as a
// table of entries and a content tree.
//
// The table holds at most 9,999 entries: further records are ignored and
// reported. A partial last record is ignored. A record whose level is outside
// 1..19, or whose level L - 1 has no open entry, is kept in the table and
// attached to the deepest open entry above it (or the root), so that the tree
// stays whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "catalog/catalogueformat.h"
#include "catalog/contenttree.h"

namespace tevarin {

class CCatalogue {
 public:
  static constexpr int kMaxEntries = 9999;
  static constexpr int kMaxLevel = 19;

  CCatalogue();

  // Reads folder/vok.dir. On failure the table is empty and the Status says
  // why. Notes() lists records that were ignored or re-attached.
  Status Load(const std::string& folder);
  // The listing's file name; the reader writes it into the current folder.
  static constexpr const char* kListingName = "vok.txt";
  // Writes the listing (one line per entry) to path, replacing it; false when it
  // cannot be created or written, or when path is a symbolic link (never
  // written through). The new listing replaces the old one whole (written
  // beside it, then renamed). Nothing depends on the listing, so callers go
  // on without it. After a failed Load it writes an empty listing.
  bool WriteListing(const std::string& path = kListingName) const;
  // The listing as text, "\t" before level 2, "\t\t" before level 3.
  std::string Listing() const;

  // Entries 1 .. NodeCount() - 1; entry 0 is never used.
  const std::vector<NodeItem>& Items() const { return m_NodeItem; }
  int NodeCount() const { return m_nNodeCount; }
  const NodeItem* Entry(int index) const {
    return index >= 1 && index < m_nNodeCount ? &m_NodeItem[index] : nullptr;
  }
  const ContentsNodeTag* Root() const { return m_pRoot.get(); }
  // The tree node made for entry index (null when out of range).
  const ContentsNodeTag* NodeOf(int index) const {
    return index >= 1 && index < m_nNodeCount ? m_nodes[index] : nullptr;
  }
  // Entry index of the open parent entry a record was attached under (0 = root).
  int ParentEntry(int index) const {
    return index >= 1 && index < m_nNodeCount ? m_parentEntry[index] : 0;
  }
  // "division\book\volume": the titles from the top level down to the entry.
  std::u16string RangePath(int index) const;

  const std::vector<std::string>& Notes() const { return m_notes; }

 private:
  std::vector<NodeItem> m_NodeItem;  // entry 0 unused
  int m_nNodeCount = 1;
  std::unique_ptr<ContentsNodeTag> m_pRoot;
  std::vector<ContentsNodeTag*> m_nodes;  // per entry, owned by the tree
  std::vector<int> m_parentEntry;                // per entry: the entry its tree item hangs under
  std::vector<std::string> m_notes;
};

std::string Utf16ToUtf8Lenient(std::u16string_view s);

}  // namespace tevarin
