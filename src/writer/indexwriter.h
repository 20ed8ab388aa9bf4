// IndexWriter: writes an index header file and postings file that
// PostingsFile reads (format in index/indexformat.h).
//
// Postings are added per slot as page entries in ascending record order; Write
// encodes each slot's stream, cuts it into 4096-byte blocks, allocates the
// blocks in the chosen order and writes the block chain.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/status.h"
#include "index/indexformat.h"

namespace tevarin {

class IndexWriter {
 public:
  enum class BlockOrder {
    Sequential,   // each slot's blocks consecutive, slots in ascending order
    Interleaved,  // slots take turns block by block, so chains jump around
    Reversed,     // blocks allocated back to front
  };

  // Adds one page entry to a slot; records must ascend per slot and positions
  // ascend within the entry. False for a value the format cannot hold.
  Status AddEntry(int slot, uint32_t record, const std::vector<uint32_t>& positions);
  // Replaces a slot's whole byte stream (for tests that craft raw streams);
  // lastPage is the record index the reader stops at.
  void SetRawStream(int slot, std::vector<uint8_t> stream, uint32_t lastPage);

  // Writes <name>-idx.h and <name>-idx.m, where name is a full path without suffix.
  Status Write(const std::string& indexPath, BlockOrder order = BlockOrder::Sequential);

  size_t SlotCount() const { return m_present; }
  uint64_t PostingsBytes() const;  // sum of the slots' stream lengths

 private:
  struct Slot {
    std::vector<uint8_t> stream;
    uint32_t lastPage = 0;
    bool any = false;
    bool present = false;  // the slot was written to (it gets blocks)
  };
  Slot& SlotAt(int slot);
  // Indexed by slot number, sized on first use: a tree lookup per page entry
  // cost more than the encoding itself on a full collection.
  std::vector<Slot> m_slots;
  size_t m_present = 0;
};

}  // namespace tevarin
