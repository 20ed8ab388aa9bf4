#include "panel/catalogue.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "index/codeconverter.h"

namespace {

constexpr size_t kRecordSize = 216;

int32_t LoadI32(const unsigned char* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}

NodeItem DecodeRecord(const unsigned char* p) {
  NodeItem item;
  for (int i = 0; i < 100; ++i) item.name[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
  item.level = LoadI32(p + 200);
  item.docID = LoadI32(p + 204);
  item.docNo = LoadI32(p + 208);
  item.curFileName = static_cast<uint16_t>(p[212] | p[213] << 8);
  item.reserved = static_cast<uint16_t>(p[214] | p[215] << 8);
  return item;
}

}  // namespace

std::u16string NodeItem::Name() const {
  size_t n = 0;
  while (n < 100 && name[n] != 0) ++n;
  return std::u16string(name, n);
}

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

bool CCatalogue::Load(const std::string& folder) {
  *this = CCatalogue();
  const std::string path = folder + "/vok.dir";
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    m_error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t records = bytes.size() / kRecordSize;
  if (bytes.size() % kRecordSize != 0)
    m_notes.push_back("the last " + std::to_string(bytes.size() % kRecordSize) +
                      " bytes of vok.dir are a partial record and were ignored");
  if (records > static_cast<size_t>(kMaxEntries))
    m_notes.push_back("vok.dir holds " + std::to_string(records) + " records; only the first " +
                      std::to_string(kMaxEntries) + " are read");

  int openEntry[kMaxLevel + 1] = {};  // per level: the entry whose item is open (0 = none)
  const size_t n = std::min(records, static_cast<size_t>(kMaxEntries));
  m_NodeItem.reserve(n + 1);
  for (size_t i = 0; i < n; ++i) {
    const NodeItem item =
        DecodeRecord(reinterpret_cast<const unsigned char*>(bytes.data()) + i * kRecordSize);
    const int index = m_nNodeCount;
    const int L = item.level;

    // The tree item's parent: the open item of level L - 1 (the root for level 1).
    int parent = 0;
    if (L >= 1 && L <= kMaxLevel && (L == 1 || openEntry[L - 1] != 0)) {
      parent = L == 1 ? 0 : openEntry[L - 1];
    } else {
      // Malformed: no open item one level up. Hang it under the deepest open
      // item above its level, or the root.
      for (int k = std::min(L - 1, kMaxLevel); k >= 1; --k)
        if (openEntry[k] != 0) {
          parent = openEntry[k];
          break;
        }
      m_notes.push_back("record " + std::to_string(index) + " (level " + std::to_string(L) +
                        ") has no parent entry of level " + std::to_string(L - 1));
    }
    if (L >= 1 && L <= kMaxLevel) openEntry[L] = index;

    auto node = std::make_unique<ContentsNodeTag>();
    node->name = item.Name();
    node->level = item.level;
    node->docID = item.docID;
    node->docNo = item.docNo;
    node->curFileName = item.curFileName;
    ContentsNodeTag* owner = FindParentNode(m_pRoot.get(), *node);
    if (!owner) owner = parent ? const_cast<ContentsNodeTag*>(m_nodes[parent]) : m_pRoot.get();
    node->parent = owner;
    m_nodes.push_back(node.get());
    owner->children.push_back(std::move(node));

    m_NodeItem.push_back(item);
    m_parentEntry.push_back(parent);
    ++m_nNodeCount;
  }
  return true;
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
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  const std::string text = Listing();
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

std::u16string CCatalogue::RangePath(int index) const {
  if (!Entry(index)) return {};
  std::u16string path = m_NodeItem[index].Name();
  // Walk the tree items' parents; a well-formed catalogue has at most 19 levels,
  // and every parent comes before its child, so the walk ends.
  for (int p = m_parentEntry[index]; p != 0; p = m_parentEntry[p])
    path = m_NodeItem[p].Name() + u"\\" + path;
  return path;
}
