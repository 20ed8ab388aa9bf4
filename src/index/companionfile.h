// CompanionFile: the companion postings file of one open index (format in
// index/companionformat.h), mapped read-only.
//
// Open reads the header alone: it checks the header's checksum and that the
// file belongs to the index files the PostingsFile has open (their sizes,
// the checksums of the header file's tables and of the sampled blocks of the
// postings file); nothing of the postings is decoded or checked then, and
// only the slot and record tables are mapped in. A slot's record is checked
// when it is looked up (Find), the rest of its data by CompanionList
// (index/companionlists.h) before it is first read.
//
// The pages of the mapping that the searches touch stay resident; once more
// than the resident limit has been read since the last release, Release
// hands them back to the page cache (they are read from it again when
// needed), so that a long session does not end up holding the whole file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/status.h"
#include "index/companionformat.h"

namespace tevarin {

class PostingsFile;

class CompanionFile {
 public:
  CompanionFile() = default;
  CompanionFile(const CompanionFile&) = delete;
  CompanionFile& operator=(const CompanionFile&) = delete;
  ~CompanionFile() { Close(); }

  // Opens indexName + kCompanionSuffix as the companion of postings (the
  // same index, open; it must outlive this file's use). On failure nothing
  // stays open and the Status says why the file cannot be used: kNotFound
  // when it is missing, kCorrupt when it is damaged, kInvalid when it
  // belongs to other index files (stale or foreign).
  Status Open(const std::string& indexName, const PostingsFile& postings);
  void Close();
  bool IsOpen() const { return m_data != nullptr; }
  const std::string& Path() const { return m_path; }
  const CompanionHeader& Header() const { return m_header; }
  const uint8_t* Data() const { return m_data; }
  uint64_t Size() const { return m_size; }

  enum class Lookup { kNone, kFound, kDamaged };
  // The record of slot: kNone when it has none (its stream is not sound, or
  // it has no postings), kFound with the record checked against its
  // checksum, the file's size and the index's last-page table, kDamaged
  // (why says how) otherwise.
  Lookup Find(int slot, CompanionRecord& record, std::string& why) const;

  // Copies bytes [offset, offset + n) of the file into out with pread
  // (the caller checks the range against the file's size); false when the
  // read fails. A small list is read this way instead of through the
  // mapping: one read costs less than the page fault its first touch of
  // the mapping would cost.
  bool ReadAt(uint64_t offset, uint64_t n, uint8_t* out) const;

  // Notes that bytes of the mapping were read (checked) for a search.
  void NoteRead(uint64_t bytes) const { m_read.fetch_add(bytes, std::memory_order_relaxed); }
  // When more than the resident limit was noted since the last release,
  // releases every page of the mapping from the process.
  void Release() const;
  void SetResidentLimit(uint64_t bytes) { m_residentLimit = bytes; }
  static constexpr uint64_t kDefaultResidentLimit = uint64_t(2) << 20;

 private:
  std::string m_path;
  int m_fd = -1;
  const uint8_t* m_data = nullptr;
  uint64_t m_size = 0;
  CompanionHeader m_header;
  const PostingsFile* m_postings = nullptr;
  // Maps the slot and record tables in at open (see the .cpp).
  void PrefaultTables() const;

  uint64_t m_residentLimit = kDefaultResidentLimit;
  mutable std::atomic<uint64_t> m_read{0};
};

// One line on standard error, "tevarin: <line>", written once per distinct
// line in a process: how the engine says that it ignores a companion file or
// a damaged part of one (the search answers from the index files then).
void ReportCompanionProblem(const std::string& line);

// The line for a companion that Open refused.
std::string CompanionIgnoredLine(const Status& why);

}  // namespace tevarin
