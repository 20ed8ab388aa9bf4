#include "index/companionfile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>

#include "index/postingsfile.h"

namespace tevarin {

Status CompanionFile::Open(const std::string& indexName, const PostingsFile& postings) {
  Close();
  const std::string path = indexName + kCompanionSuffix;
  auto fail = [&](Status why) {
    Close();
    return why;
  };
  if (!postings.IsOpen()) return Status::Invalid(path + ": its index is not open");
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return Status::NotFound(path + " is missing");
    return Status::FromErrno(errno, "cannot open", path);
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return Status::Io("cannot read the size of " + path);
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size < kCompanionHeaderSize) {
    close(fd);
    return Status::Corrupt(path + " is " + std::to_string(size) + " bytes, shorter than its " +
                           std::to_string(kCompanionHeaderSize) + "-byte header");
  }
  void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    const int err = errno;
    close(fd);
    return Status::FromErrno(err, "cannot map", path);
  }
  m_fd = fd;  // kept for ReadAt
  m_path = path;
  m_data = static_cast<const uint8_t*>(view);
  m_size = size;
  m_postings = &postings;

  CompanionHeader& h = m_header;
  if (const std::string bad = DecodeCompanionHeader(m_data, h); !bad.empty())
    return fail(Status::Corrupt(path + ": " + bad));
  if (h.version != kCompanionVersion)
    return fail(Status::Corrupt(path + " has format version " + std::to_string(h.version) +
                                "; this program reads version " +
                                std::to_string(kCompanionVersion)));
  if (h.blockEntries != kCompanionBlockEntries || h.chunkBytes != kCompanionChunkBytes)
    return fail(Status::Corrupt(path + " has blocks of " + std::to_string(h.blockEntries) +
                                " entries and chunks of " + std::to_string(h.chunkBytes) +
                                " bytes; this program reads " +
                                std::to_string(kCompanionBlockEntries) + " and " +
                                std::to_string(kCompanionChunkBytes)));
  if (h.fileSize != size)
    return fail(Status::Corrupt(path + " is " + std::to_string(size) + " bytes, but its header says " +
                                std::to_string(h.fileSize) + " (cut short or extended)"));
  const auto inside = [&](uint64_t offset, uint64_t bytes) {
    return offset >= kCompanionHeaderSize && offset <= size && bytes <= size - offset;
  };
  if (h.records > static_cast<uint32_t>(kSlotCount) ||
      !inside(h.slotTableOffset, uint64_t(kSlotCount) * 4) ||
      !inside(h.recordTableOffset, uint64_t(h.records) * kCompanionRecordSize))
    return fail(Status::Corrupt(path + ": its slot or record table lies outside the file"));

  // The binding: the index files as the PostingsFile opened them.
  std::string differs;
  if (h.indexHeaderSize != static_cast<uint64_t>(postings.HeaderFileSize()))
    differs = "the header file's size";
  else if (h.postingsSize != postings.Size())
    differs = "the postings file's size";
  else if (h.tablesHash != postings.TablesHash())
    differs = "the header file's tables";
  else if (uint64_t sample = 0; !postings.SampleHash(sample) || h.sampleHash != sample)
    differs = "the postings file's content";
  if (!differs.empty())
    return fail(Status::Invalid(path + " was made from other index files (" + differs + " differs)"));
  m_read.store(0, std::memory_order_relaxed);
  PrefaultTables();
  return Status::Ok();
}

void CompanionFile::PrefaultTables() const {
#ifdef MADV_POPULATE_READ
  // Every search starts in the slot and record tables, one page of each: a
  // search's first touch of a page costs it a page fault, more than the rest
  // of a rare character's search. The tables (some megabytes at most) are
  // mapped in now instead; where the kernel cannot, they fault in on use.
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  auto populate = [&](uint64_t offset, uint64_t bytes) {
    const uint64_t from = offset / page * page;
    const uint64_t to = std::min<uint64_t>(offset + bytes, m_size);
    if (from < to) (void)madvise(const_cast<uint8_t*>(m_data) + from, to - from, MADV_POPULATE_READ);
  };
  populate(m_header.slotTableOffset, uint64_t(kSlotCount) * 4);
  populate(m_header.recordTableOffset, uint64_t(m_header.records) * kCompanionRecordSize);
#endif
}

void CompanionFile::Close() {
  if (m_data) munmap(const_cast<uint8_t*>(m_data), m_size);
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  m_data = nullptr;
  m_size = 0;
  m_header = CompanionHeader();
  m_postings = nullptr;
  m_path.clear();
}

CompanionFile::Lookup CompanionFile::Find(int slot, CompanionRecord& record, std::string& why) const {
  if (!m_data || slot < 0 || slot >= kSlotCount) return Lookup::kNone;
  const uint32_t entry = LoadLE32(m_data + m_header.slotTableOffset + 4 * uint64_t(slot));
  const bool indexed = m_postings->HasPostings(slot);
  if (entry == 0) return Lookup::kNone;
  if (entry > m_header.records) {
    why = "the slot table names record " + std::to_string(entry - 1) + " of " +
          std::to_string(m_header.records);
    return Lookup::kDamaged;
  }
  const uint8_t* at = m_data + m_header.recordTableOffset + uint64_t(entry - 1) * kCompanionRecordSize;
  NoteRead(kCompanionRecordSize);
  if (std::string bad = DecodeCompanionRecord(at, m_size, record); !bad.empty()) {
    why = std::move(bad);
    return Lookup::kDamaged;
  }
  if (record.slot != static_cast<uint32_t>(slot)) {
    why = "its record is slot " + std::to_string(record.slot) + "'s";
    return Lookup::kDamaged;
  }
  if (!indexed || record.lastPage != m_postings->LastPage(slot)) {
    why = indexed ? "its record ends at page " + std::to_string(record.lastPage) +
                        ", the index at page " + std::to_string(m_postings->LastPage(slot))
                  : "it has a record, but no postings in the index";
    return Lookup::kDamaged;
  }
  return Lookup::kFound;
}

bool CompanionFile::ReadAt(uint64_t offset, uint64_t n, uint8_t* out) const {
  if (m_fd < 0 || offset > m_size || n > m_size - offset) return false;
  while (n > 0) {
    const ssize_t got = pread(m_fd, out, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    offset += static_cast<uint64_t>(got);
    n -= static_cast<uint64_t>(got);
  }
  return true;
}

void CompanionFile::Release() const {
  if (!m_data || m_read.load(std::memory_order_relaxed) <= m_residentLimit) return;
  // The mapping is of a file opened read-only: dropping its pages loses
  // nothing, and the next read takes them from the page cache again.
  (void)madvise(const_cast<uint8_t*>(m_data), m_size, MADV_DONTNEED);
  m_read.store(0, std::memory_order_relaxed);
  PrefaultTables();
}

void ReportCompanionProblem(const std::string& line) {
  static std::mutex lock;
  static std::set<std::string> reported;
  std::lock_guard<std::mutex> guard(lock);
  if (!reported.insert(line).second) return;
  std::fprintf(stderr, "tevarin: %s\n", line.c_str());
}

std::string CompanionIgnoredLine(const Status& why) {
  const char* advice = why.Code() == StatusCode::kNotFound
                           ? "the searches read the index files alone (tevarin-mkcollection "
                             "--companion DIR writes it)"
                           : "it is ignored and the searches read the index files alone "
                             "(tevarin-mkcollection --companion DIR writes it anew)";
  return why.Message() + ": " + advice;
}

}  // namespace tevarin
