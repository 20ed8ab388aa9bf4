// PostingsFile: one open index (format in index/indexformat.h): the header's
// first-block and last-page tables and block chain, held in memory, and the
// postings file, mapped read-only. It hands out cursors over a slot's stream;
// the term streams, the decoded postings, the checker and the search read
// the index through it alone.
//
// Streams that a reading finds cut short (their chain or the file ends before
// the slot's last page entry) end quietly where they are cut; the readers
// note the slot here, so that a caller can tell that an answer came from a
// damaged index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "index/indexformat.h"
#include "index/postingscursor.h"

namespace tevarin {

class PostingsFile {
 public:
  PostingsFile() = default;
  PostingsFile(const PostingsFile&) = delete;
  PostingsFile& operator=(const PostingsFile&) = delete;
  ~PostingsFile() { Close(); }

  // Opens indexName + "-idx.h" and indexName + "-idx.m" (indexName is a path
  // without the suffixes). On failure nothing stays open.
  Status Open(const std::string& indexName);
  void Close();
  bool IsOpen() const { return m_view != nullptr; }

  bool HasPostings(int slot) const {
    return slot >= 0 && slot < kSlotCount && !m_firstBlock.empty() && m_firstBlock[slot] >= 0;
  }
  // The slot's entries of the first-block and last-page tables (kNoPostings
  // and 0 when closed or out of range).
  int32_t FirstBlock(int slot) const {
    return InTable(slot, m_firstBlock) ? m_firstBlock[slot] : kNoPostings;
  }
  uint32_t LastPage(int slot) const { return InTable(slot, m_lastPage) ? m_lastPage[slot] : 0; }
  // A cursor at the start of the slot's stream; a failed one when the slot
  // has no postings.
  PostingsCursor Cursor(int slot) const;

  const uint8_t* Data() const { return m_view; }
  size_t Size() const { return m_viewSize; }
  uint32_t BlockCount() const { return static_cast<uint32_t>(BlockCountOf(m_viewSize)); }
  // The block chain entries read: those of the blocks the postings file has
  // (ChainEntriesInFile when the header holds fewer).
  std::span<const uint32_t> Chain() const { return m_chain; }
  // The number of block chain entries the header holds.
  uint64_t ChainEntriesInFile() const { return m_chainEntries; }

  // The header file's size as Open found it.
  int64_t HeaderFileSize() const { return m_headerSize; }
  // A checksum of the header's tables as they were read (the four slot
  // tables and the block chain entries read): what a companion file binds
  // itself to (index/companionformat.h). Computed on each call.
  uint64_t TablesHash() const;
  // A checksum of the sampled blocks of the postings file
  // (CompanionSampleBlock), read from the file without touching the
  // mapping; false when the file cannot be read.
  bool SampleHash(uint64_t& hash) const;

  // Notes that a reading of slot's stream was cut short; safe from any
  // thread. CutShortStreams counts the distinct slots noted since Open.
  void NoteCutShort(int slot) const;
  size_t CutShortStreams() const;

 private:
  template <typename T>
  static bool InTable(int slot, const std::vector<T>& table) {
    return slot >= 0 && static_cast<size_t>(slot) < table.size();
  }

  std::vector<int32_t> m_firstBlock;
  std::vector<uint16_t> m_reserved16;
  std::vector<uint32_t> m_reserved32;
  std::vector<uint32_t> m_lastPage;
  std::vector<uint32_t> m_chain;
  uint64_t m_chainEntries = 0;
  const uint8_t* m_view = nullptr;
  size_t m_viewSize = 0;
  int64_t m_headerSize = 0;
  std::string m_postingsPath;

  mutable std::mutex m_damageLock;
  mutable std::vector<bool> m_cutShort;  // per slot, sized on the first note
  mutable size_t m_cutShortCount = 0;
};

}  // namespace tevarin
