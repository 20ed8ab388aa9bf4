#include "writer/companionwriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "index/companionformat.h"
#include "index/postingsfile.h"
#include "index/slotentries.h"

namespace tevarin {

namespace {

// A slot's three parts, encoded.
struct EncodedSlot {
  CompanionRecord record;
  std::vector<uint8_t> directory;
  std::vector<uint8_t> blocks;
  std::vector<uint8_t> positions;
};

void EncodeSlot(const SlotEntries& e, int slot, EncodedSlot& out) {
  const uint32_t n = static_cast<uint32_t>(e.pages.size());
  CompanionRecord& r = out.record;
  r = CompanionRecord();
  r.slot = static_cast<uint32_t>(slot);
  r.entries = n;
  r.blocks = CompanionBlocksFor(n);
  r.lastPage = e.pages.back();
  r.positions = e.positions.size();
  uint32_t maxPosition = 0;
  for (const uint32_t p : e.positions) maxPosition = std::max(maxPosition, p);
  r.positionBits = BitsFor(maxPosition);

  // Positions, fixed width, and the checksum of each chunk.
  out.positions.clear();
  AppendPacked(out.positions, e.positions.data(), e.positions.size(), r.positionBits);
  out.positions.resize(out.positions.size() + kCompanionPadding, 0);
  r.positionBytes = out.positions.size();
  r.chunks = CompanionChunksFor(r.positionBytes);

  // The page set as a bitmap when that takes no more bytes than the
  // blocks' page differences would.
  uint64_t deltaBytes = 0;
  for (uint32_t s = 0; s < n; s += kCompanionBlockEntries) {
    const uint32_t k = std::min(kCompanionBlockEntries, n - s);
    uint32_t widest = 0;
    for (uint32_t i = 1; i < k; ++i) widest = std::max(widest, e.pages[s + i] - e.pages[s + i - 1]);
    deltaBytes += PackedBytes(k - 1, BitsFor(widest));
  }
  const uint64_t bitmapWords = uint64_t(r.lastPage) / 64 + 1;
  const bool bitmap = bitmapWords * 8 <= deltaBytes;
  r.bitmapWords = bitmap ? static_cast<uint32_t>(bitmapWords) : 0;

  out.blocks.clear();
  std::vector<uint8_t> skip;
  std::vector<uint32_t> numbers;
  for (uint32_t s = 0; s < n; s += kCompanionBlockEntries) {
    const uint32_t k = std::min(kCompanionBlockEntries, n - s);
    CompanionBlockHeader h;
    h.firstPage = e.pages[s];
    uint32_t widest = 0, fewest = UINT32_MAX, most = 0;
    for (uint32_t i = 1; i < k; ++i) widest = std::max(widest, e.pages[s + i] - e.pages[s + i - 1]);
    for (uint32_t i = 0; i < k; ++i) {
      const uint32_t count = e.first[s + i + 1] - e.first[s + i];
      fewest = std::min(fewest, count);
      most = std::max(most, count);
    }
    h.deltaBits = bitmap ? 0 : BitsFor(widest);
    h.countBase = fewest;
    h.countBits = BitsFor(most - fewest);
    const size_t start = out.blocks.size();
    EncodeCompanionBlockHeader(h, out.blocks);
    if (!bitmap) {
      numbers.clear();
      for (uint32_t i = 1; i < k; ++i) numbers.push_back(e.pages[s + i] - e.pages[s + i - 1]);
      AppendPacked(out.blocks, numbers.data(), numbers.size(), h.deltaBits);
    }
    numbers.clear();
    for (uint32_t i = 0; i < k; ++i) numbers.push_back(e.first[s + i + 1] - e.first[s + i] - fewest);
    AppendPacked(out.blocks, numbers.data(), numbers.size(), h.countBits);
    AppendLE32(skip, e.pages[s + k - 1]);
    AppendLE32(skip, static_cast<uint32_t>(start));
    AppendLE32(skip, e.first[s]);
    AppendLE32(skip, CompanionHash32(out.blocks.data() + start, out.blocks.size() - start));
  }
  out.blocks.resize(out.blocks.size() + kCompanionPadding, 0);
  r.blockDataBytes = out.blocks.size();

  out.directory = std::move(skip);
  for (uint32_t c = 0; c < r.chunks; ++c) {
    const uint64_t from = uint64_t(c) * kCompanionChunkBytes;
    const uint64_t bytes = std::min<uint64_t>(kCompanionChunkBytes, r.positionBytes - from);
    AppendLE32(out.directory, CompanionHash32(out.positions.data() + from, bytes));
  }
  if (bitmap) {
    out.directory.resize(r.BitmapOffsetInDirectory(), 0);
    std::vector<uint64_t> words(bitmapWords, 0);
    for (const uint32_t p : e.pages) words[p >> 6] |= uint64_t(1) << (p & 63);
    const size_t at = out.directory.size();
    out.directory.resize(at + words.size() * 8);
    for (size_t i = 0; i < words.size(); ++i) StoreLE64(out.directory.data() + at + 8 * i, words[i]);
  }
  r.directoryHash = CompanionHash(out.directory.data(), out.directory.size());
}

// Writes all of data at offset; false on a failed write.
bool WriteAt(int fd, const void* data, size_t size, uint64_t offset) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = pwrite(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (m_fd >= 0) close(m_fd);
    if (!m_path.empty()) unlink(m_path.c_str());
  }
  bool Create(const std::string& near) {
    std::string tmpl = near + ".tmp-XXXXXX";
    m_fd = mkstemp(tmpl.data());
    if (m_fd < 0) return false;
    m_path = tmpl;
    return true;
  }
  int Fd() const { return m_fd; }
  const std::string& Path() const { return m_path; }
  bool CloseAndRename(const std::string& to) {
    const int fd = m_fd;
    m_fd = -1;
    // The file is read by other processes only once it is complete, so the
    // default permissions of a data file, not mkstemp's 0600.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0 || close(fd) != 0) return false;
    if (std::rename(m_path.c_str(), to.c_str()) != 0) return false;
    m_path.clear();
    return true;
  }

 private:
  int m_fd = -1;
  std::string m_path;
};

}  // namespace

Status WriteCompanion(const std::string& indexName, CompanionFigures* figures) {
  const auto start = std::chrono::steady_clock::now();
  CompanionFigures f;
  PostingsFile file;
  if (Status opened = file.Open(indexName); !opened) return opened;
  const std::string path = indexName + kCompanionSuffix;
  TemporaryFile out;
  if (!out.Create(path)) return Status::FromErrno(errno, "cannot create a file beside", path);
  const int fd = out.Fd();
  auto writeFailed = [&] { return Status::FromErrno(errno ? errno : EIO, "cannot write", out.Path()); };

  CompanionHeader header;
  header.indexHeaderSize = static_cast<uint64_t>(file.HeaderFileSize());
  header.postingsSize = file.Size();
  header.tablesHash = file.TablesHash();
  header.postingsHash = CompanionHash(file.Data(), file.Size());
  if (!file.SampleHash(header.sampleHash))
    return Status::FromErrno(errno ? errno : EIO, "cannot read", indexName + kPostingsSuffix);
  header.slotTableOffset = kCompanionHeaderSize;

  std::vector<uint32_t> slotTable(kSlotCount, 0);
  std::vector<CompanionRecord> records;
  uint64_t offset = kCompanionHeaderSize + uint64_t(kSlotCount) * 4;
  SlotEntries entries, scratch;
  EncodedSlot encoded;
  std::vector<uint8_t> pad;
  auto append = [&](const std::vector<uint8_t>& bytes, uint64_t& at) {
    at = offset;
    if (!WriteAt(fd, bytes.data(), bytes.size(), offset)) return false;
    offset += bytes.size();
    pad.assign((8 - offset % 8) % 8, 0);  // every part starts 8-aligned
    if (!pad.empty() && !WriteAt(fd, pad.data(), pad.size(), offset)) return false;
    offset += pad.size();
    return true;
  };
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!file.HasPostings(slot)) continue;
    if (entries.Decode(file, slot, scratch, kCompanionMaxSlotBytes) != SlotEntries::Outcome::Sound) {
      ++f.withoutRecord;
      continue;
    }
    EncodeSlot(entries, slot, encoded);
    CompanionRecord& r = encoded.record;
    if (!append(encoded.directory, r.directoryOffset) || !append(encoded.blocks, r.blockDataOffset) ||
        !append(encoded.positions, r.positionsOffset))
      return writeFailed();
    records.push_back(r);
    slotTable[static_cast<size_t>(slot)] = static_cast<uint32_t>(records.size());
    f.entries += r.entries;
    f.positions += r.positions;
    f.bitmapSlots += r.bitmapWords ? 1 : 0;
    if (scratch.MemoryBytes() > (size_t(16) << 20)) scratch = SlotEntries();
  }
  f.slots = static_cast<uint32_t>(records.size());

  header.recordTableOffset = offset;
  std::vector<uint8_t> table(records.size() * kCompanionRecordSize);
  for (size_t i = 0; i < records.size(); ++i) EncodeCompanionRecord(records[i], &table[i * kCompanionRecordSize]);
  if (!WriteAt(fd, table.data(), table.size(), offset)) return writeFailed();
  offset += table.size();
  header.records = f.slots;
  header.fileSize = offset;
  header.entries = f.entries;
  header.positions = f.positions;
  std::vector<uint8_t> head(kCompanionHeaderSize + uint64_t(kSlotCount) * 4);
  EncodeCompanionHeader(header, head.data());
  for (int slot = 0; slot < kSlotCount; ++slot)
    StoreLE32(&head[kCompanionHeaderSize + 4 * uint64_t(slot)], slotTable[static_cast<size_t>(slot)]);
  if (!WriteAt(fd, head.data(), head.size(), 0)) return writeFailed();
  if (!out.CloseAndRename(path)) return Status::FromErrno(errno ? errno : EIO, "cannot write", path);

  f.bytes = offset;
  f.indexBytes = static_cast<uint64_t>(file.HeaderFileSize()) + file.Size();
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (figures) *figures = f;
  return Status::Ok();
}

}  // namespace tevarin
