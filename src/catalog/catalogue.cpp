#include "catalog/catalogue.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/readat.h"
#include "text/codeconverter.h"

namespace tevarin {

std::string Utf16ToUtf8Lenient(std::u16string_view s) {
  std::string out;
  ConvertUtf16ToUtf8(s, out, true);
  return out;
}

CCatalogue::CCatalogue()
    : m_NodeItem(1), m_pRoot(std::make_unique<ContentsNodeTag>()), m_nodes(1, nullptr),
      m_parentEntry(1, 0) {
  m_pRoot->name = u"root";
}

Status CCatalogue::Load(const std::string& folder) {
  *this = CCatalogue();
  const std::string path = folder + "/" + kCatalogueName;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::FromErrno(errno, "cannot open", path);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::Invalid(path + " is not a readable file");
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  const uint64_t records = size / kCatalogueRecordSize;
  if (size % kCatalogueRecordSize != 0)
    m_notes.push_back("the last " + std::to_string(size % kCatalogueRecordSize) +
                      " bytes of vok.dir are a partial record and were ignored");
  if (records > static_cast<uint64_t>(kMaxEntries))
    m_notes.push_back("vok.dir holds " + std::to_string(records) + " records; only the first " +
                      std::to_string(kMaxEntries) + " are read");

  // Only the records the table can hold are read.
  const size_t n = static_cast<size_t>(std::min<uint64_t>(records, kMaxEntries));
  std::string bytes(n * kCatalogueRecordSize, '\0');
  const bool read = ReadAt(fd, bytes.data(), bytes.size(), 0);
  ::close(fd);
  if (!read) {
    *this = CCatalogue();
    return Status::Io("cannot read " + path);
  }

  // Per level 1..19: the entry most recently added at that level (0 = none).
  // This is the open tree item of that level; a record of level L hangs under
  // the open entry of level L - 1, which is also the node FindParentNode
  // answers for it in a well-formed catalogue.
  int openEntry[kMaxLevel + 1] = {};
  m_NodeItem.reserve(n + 1);
  m_nodes.reserve(n + 1);
  m_parentEntry.reserve(n + 1);
  for (size_t i = 0; i < n; ++i) {
    const NodeItem item =
        DecodeCatalogueRecord(reinterpret_cast<const unsigned char*>(bytes.data()) + i * kCatalogueRecordSize);
    const int index = m_nNodeCount;
    const int32_t level = item.level;

    auto node = std::make_unique<ContentsNodeTag>();
    node->name = item.Name();
    node->level = item.level;
    node->docID = item.docID;
    node->docNo = item.docNo;
    node->curFileName = item.curFileName;

    int parent = 0;  // entry index of the parent; 0 = the root
    ContentsNodeTag* owner = nullptr;
    if (level >= 1 && level <= kMaxLevel && (level == 1 || openEntry[level - 1] != 0)) {
      parent = level == 1 ? 0 : openEntry[level - 1];
      ContentsNodeTag* expected = parent ? m_nodes[parent] : m_pRoot.get();
      owner = FindParentNode(m_pRoot.get(), *node);
      if (owner != expected) {
        // Only possible after malformed records: the tree items decide, so
        // that the content tree, the tree items and range paths agree.
        owner = expected;
      }
    } else {
      // Malformed: a level outside 1..19, or no entry of the level above
      // before it. Hang it under the deepest open entry above its level, or
      // the root. (level - 1 in 64 bits: a level read from the file may be
      // INT32_MIN.)
      const int top = static_cast<int>(std::clamp<int64_t>(int64_t(level) - 1, 0, kMaxLevel));
      for (int k = top; k >= 1; --k)
        if (openEntry[k] != 0) {
          parent = openEntry[k];
          break;
        }
      owner = parent ? m_nodes[parent] : m_pRoot.get();
      if (level < 1 || level > kMaxLevel)
        m_notes.push_back("record " + std::to_string(index) + " has level " + std::to_string(level) +
                          ", outside 1.." + std::to_string(kMaxLevel) + "; placed under " +
                          (parent ? "entry " + std::to_string(parent) : std::string("the root")));
      else
        m_notes.push_back("record " + std::to_string(index) + " (level " + std::to_string(level) +
                          ") has no entry of level " + std::to_string(level - 1) +
                          " before it; placed under " +
                          (parent ? "entry " + std::to_string(parent) : std::string("the root")));
    }
    if (level >= 1 && level <= kMaxLevel) openEntry[level] = index;

    node->parent = owner;
    m_nodes.push_back(node.get());
    owner->children.push_back(std::move(node));
    m_NodeItem.push_back(item);
    m_parentEntry.push_back(parent);
    ++m_nNodeCount;
  }
  return Status::Ok();
}

std::string CCatalogue::Listing() const {
  std::string out;
  char buf[160];
  for (int i = 1; i < m_nNodeCount; ++i) {
    const NodeItem& item = m_NodeItem[i];
    if (item.level == 2) out += "\t";
    if (item.level == 3) out += "\t\t";
    out += "name=" + Utf16ToUtf8Lenient(item.Name());
    std::snprintf(buf, sizeof buf, "\tdocID=%d\tdocNo=%d\tcurFileName=%d\n", item.docID,
                  item.docNo, item.curFileName);
    out += buf;
  }
  return out;
}

bool CCatalogue::WriteListing(const std::string& path) const {
  // A symbolic link at the path is refused: writing through it would write
  // wherever it points. The listing is written to a new file beside the path
  // and renamed over it, so that nothing is ever written through a link (a
  // rename replaces the name itself) or into a file another name shares, and
  // a failed write leaves the old listing whole.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return false;
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  const std::string text = Listing();
  bool ok = ::fchmod(fd, 0644) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::u16string CCatalogue::RangePath(int index) const {
  if (!Entry(index)) return {};
  std::u16string path = m_NodeItem[index].Name();
  // Walk the parents up to the top level; a parent always comes before its
  // child in the table, so the walk ends.
  for (int p = m_parentEntry[index]; p != 0; p = m_parentEntry[p])
    path = m_NodeItem[p].Name() + u"\\" + path;
  return path;
}

}  // namespace tevarin
