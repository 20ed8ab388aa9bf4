#include "index/postingsfile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>

#include "base/readat.h"
#include "index/companionformat.h"

namespace tevarin {

namespace {

// Little-endian tables are read straight into host arrays; this engine runs on
// little-endian machines only.
static_assert(std::endian::native == std::endian::little, "index files are little-endian");

// Closes a descriptor when it goes out of scope.
class FileCloser {
 public:
  explicit FileCloser(int fd) : m_fd(fd) {}
  ~FileCloser() {
    if (m_fd >= 0) close(m_fd);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  int m_fd;
};

}  // namespace

Status PostingsFile::Open(const std::string& indexName) {
  Close();
  const std::string headerPath = indexName + kIndexHeaderSuffix;
  const std::string postingsPath = indexName + kPostingsSuffix;
  auto fail = [&](Status why) {
    Close();
    return why;
  };

  const int hfd = open(headerPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (hfd < 0) return fail(Status::FromErrno(errno, "cannot open", headerPath));
  const FileCloser headerCloser(hfd);
  struct stat st;
  if (fstat(hfd, &st) != 0 || st.st_size < kIndexHeaderTables)
    return fail(Status::Corrupt(headerPath + " is shorter than its 1,400,000-byte tables"));
  const uint64_t chainLen = ChainEntryCount(st.st_size);
  m_headerSize = static_cast<int64_t>(st.st_size);
  m_firstBlock.assign(kSlotCount, kNoPostings);
  m_reserved16.assign(kSlotCount, 0);
  m_reserved32.assign(kSlotCount, 0);
  m_lastPage.assign(kSlotCount, 0);
  if (!ReadAt(hfd, m_firstBlock.data(), 4 * kSlotCount, kFirstBlockOffset) ||
      !ReadAt(hfd, m_reserved16.data(), 2 * kSlotCount, kReserved16Offset) ||
      !ReadAt(hfd, m_reserved32.data(), 4 * kSlotCount, kReserved32Offset) ||
      !ReadAt(hfd, m_lastPage.data(), 4 * kSlotCount, kLastPageOffset))
    return fail(Status::Io("cannot read " + headerPath));

  const int pfd = open(postingsPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (pfd < 0) return fail(Status::FromErrno(errno, "cannot open", postingsPath));
  const FileCloser postingsCloser(pfd);  // the mapping keeps the file's pages reachable
  if (fstat(pfd, &st) != 0) return fail(Status::Io("cannot read the size of " + postingsPath));
  m_postingsPath = postingsPath;
  // Entry b of the block chain names the block after block b; entries for
  // blocks the postings file does not have are never followed, so only as
  // many entries as it has blocks are read. (A header can claim a chain of
  // gigabytes; the memory stays in proportion to the postings file.)
  const uint64_t kept = std::min(chainLen, BlockCountOf(static_cast<uint64_t>(st.st_size)));
  if (kept > UINT32_MAX)
    return fail(Status::Corrupt(postingsPath + " has more blocks than a block number can name"));
  m_chainEntries = chainLen;
  m_chain.resize(kept);
  if (!ReadAt(hfd, m_chain.data(), kept * 4, kBlockChainOffset))
    return fail(Status::Io("cannot read " + headerPath));
  if (st.st_size > 0) {
    void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, pfd, 0);
    if (view == MAP_FAILED) return fail(Status::FromErrno(errno, "cannot map", postingsPath));
    m_view = static_cast<const uint8_t*>(view);
    m_viewSize = static_cast<size_t>(st.st_size);
  } else {
    // An empty postings file is valid (no slot has postings) but cannot be
    // mapped; a static empty view keeps "open" meaning a non-null view.
    static const uint8_t kEmpty[1] = {0};
    m_view = kEmpty;
    m_viewSize = 0;
  }
  return Status::Ok();
}

void PostingsFile::Close() {
  if (m_view && m_viewSize > 0) munmap(const_cast<uint8_t*>(m_view), m_viewSize);
  m_view = nullptr;
  m_viewSize = 0;
  m_firstBlock = {};
  m_reserved16 = {};
  m_reserved32 = {};
  m_lastPage = {};
  m_chain = {};
  m_chainEntries = 0;
  m_headerSize = 0;
  m_postingsPath.clear();
  std::lock_guard<std::mutex> lock(m_damageLock);
  m_cutShort = {};
  m_cutShortCount = 0;
}

uint64_t PostingsFile::TablesHash() const {
  uint64_t h = CompanionHash(m_firstBlock.data(), m_firstBlock.size() * sizeof(int32_t), 1);
  h = CompanionHash(m_reserved16.data(), m_reserved16.size() * sizeof(uint16_t), h);
  h = CompanionHash(m_reserved32.data(), m_reserved32.size() * sizeof(uint32_t), h);
  h = CompanionHash(m_lastPage.data(), m_lastPage.size() * sizeof(uint32_t), h);
  return CompanionHash(m_chain.data(), m_chain.size() * sizeof(uint32_t), h);
}

bool PostingsFile::SampleHash(uint64_t& hash) const {
  const int fd = open(m_postingsPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const FileCloser closer(fd);
  const uint64_t blocks = BlockCountOf(m_viewSize);
  const uint64_t samples = std::min(blocks, kCompanionSampleBlocks);
  std::vector<uint8_t> block(kBlockSize);
  hash = CompanionHash(nullptr, 0, blocks);
  for (uint64_t i = 0; i < samples; ++i) {
    const uint64_t b = CompanionSampleBlock(i, blocks);
    const uint64_t bytes = std::min<uint64_t>(kBlockSize, m_viewSize - b * kBlockSize);
    if (!ReadAt(fd, block.data(), bytes, static_cast<int64_t>(b * kBlockSize))) return false;
    hash = CompanionHash(block.data(), bytes, hash);
  }
  return true;
}

PostingsCursor PostingsFile::Cursor(int slot) const {
  PostingsCursor c(m_view, m_viewSize, m_chain.data(), static_cast<uint32_t>(m_chain.size()));
  if (HasPostings(slot)) c.Start(m_firstBlock[slot]);
  return c;
}

void PostingsFile::NoteCutShort(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return;
  std::lock_guard<std::mutex> lock(m_damageLock);
  if (m_cutShort.empty()) m_cutShort.assign(kSlotCount, false);
  if (m_cutShort[static_cast<size_t>(slot)]) return;
  m_cutShort[static_cast<size_t>(slot)] = true;
  ++m_cutShortCount;
}

size_t PostingsFile::CutShortStreams() const {
  std::lock_guard<std::mutex> lock(m_damageLock);
  return m_cutShortCount;
}

}  // namespace tevarin
