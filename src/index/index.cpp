#include "index/index.h"
#include "base/readat.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tevarin {

namespace {


// Little-endian tables are read straight into host arrays; this engine runs on
// little-endian machines only.
static_assert(std::endian::native == std::endian::little, "index files are little-endian");

const char* PartSuffix(int part) {
  switch (part) {
    case Body: return "_content";
    case Notes: return "_desc";
    default: return "";
  }
}

}  // namespace

CIndex::~CIndex() { Close(); }

bool CIndex::Fail(const std::string& why) {
  Close();
  m_error = why;
  return false;
}

bool CIndex::Open(const std::string& folder, const std::string& baseName, int part) {
  Close();
  m_error.clear();
  if (part != FullText && part != Notes && part != Body)
    return Fail("unknown index part " + std::to_string(part));

  m_FirstBlock.assign(kSlotCount, -1);
  m_Reserved16.assign(kSlotCount, 0);
  m_Reserved32.assign(kSlotCount, 0);
  m_LastPage.assign(kSlotCount, 0);

  LoadVariantTable(folder);

  const std::string name = folder + "/" + baseName + PartSuffix(part);
  const std::string headerPath = name + "-idx.h";
  const std::string postingsPath = name + "-idx.m";
  ClearHits();

  const int hfd = open(headerPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (hfd < 0) return Fail("cannot open " + headerPath + ": " + std::strerror(errno));
  struct stat st;
  if (fstat(hfd, &st) != 0 || st.st_size < kIndexHeaderTables) {
    close(hfd);
    return Fail(headerPath + " is shorter than its 1,400,000-byte tables");
  }
  const uint64_t chainLen = static_cast<uint64_t>(st.st_size - kIndexHeaderTables) / 4;
  const bool ok = ReadAt(hfd, m_FirstBlock.data(), 400000, 0) &&
                  ReadAt(hfd, m_Reserved16.data(), 200000, 400000) &&
                  ReadAt(hfd, m_Reserved32.data(), 400000, 600000) &&
                  ReadAt(hfd, m_LastPage.data(), 400000, 1000000);
  if (!ok) {
    close(hfd);
    return Fail("cannot read " + headerPath);
  }

  const int pfd = open(postingsPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (pfd < 0) {
    close(hfd);
    return Fail("cannot open " + postingsPath + ": " + std::strerror(errno));
  }
  if (fstat(pfd, &st) != 0) {
    close(hfd);
    close(pfd);
    return Fail("cannot read the size of " + postingsPath);
  }
  // Entry b of the block chain names the block after block b; entries for
  // blocks the postings file does not have are never followed, so only as
  // many entries as it has blocks are read. (A header can claim a chain of
  // gigabytes; the memory stays in proportion to the postings file.)
  const uint64_t blocks = (static_cast<uint64_t>(st.st_size) + kBlockSize - 1) / kBlockSize;
  const uint64_t kept = std::min(chainLen, blocks);
  if (kept > UINT32_MAX) {
    close(hfd);
    close(pfd);
    return Fail(postingsPath + " has more blocks than a block number can name");
  }
  m_chainEntries = chainLen;
  m_BlockChain.resize(kept);
  const bool chainRead = ReadAt(hfd, m_BlockChain.data(), kept * 4, kIndexHeaderTables);
  close(hfd);
  if (!chainRead) {
    close(pfd);
    return Fail("cannot read " + headerPath);
  }
  if (st.st_size > 0) {
    void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, pfd, 0);
    if (view == MAP_FAILED) {
      close(pfd);
      return Fail("cannot map " + postingsPath + ": " + std::strerror(errno));
    }
    m_view = static_cast<const uint8_t*>(view);
    m_viewSize = static_cast<size_t>(st.st_size);
  } else {
    // An empty postings file is valid (no slot has postings) but cannot be
    // mapped; a static empty view keeps "open" meaning a non-null view.
    static const uint8_t kEmpty[1] = {0};
    m_view = kEmpty;
    m_viewSize = 0;
  }
  close(pfd);  // the mapping keeps the file's pages reachable

  if (!m_files.Open(folder, baseName)) return Fail(m_files.LastError());
  return true;
}

void CIndex::Close() {
  if (m_view && m_viewSize > 0) munmap(const_cast<uint8_t*>(m_view), m_viewSize);
  m_view = nullptr;
  m_viewSize = 0;
  m_BlockChain.clear();
  m_BlockChain.shrink_to_fit();
  m_chainEntries = 0;
  m_FirstBlock.clear();
  m_FirstBlock.shrink_to_fit();
  m_LastPage.clear();
  m_LastPage.shrink_to_fit();
  m_Reserved16.clear();
  m_Reserved16.shrink_to_fit();
  m_Reserved32.clear();
  m_Reserved32.shrink_to_fit();
  m_files.Close();
  m_entries.Clear();
}

PostingsCursor CIndex::CursorFor(int slot) const {
  PostingsCursor c(m_view, m_viewSize, m_BlockChain.data(), ChainLength());
  if (HasPostings(slot)) c.Start(m_FirstBlock[slot]);
  return c;
}

}  // namespace tevarin
