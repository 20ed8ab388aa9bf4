// CFileList's part of a hit page: the stored page it is built from.
#include "store/filelist.h"

namespace tevarin {

Status CFileList::ReadHitPageSource(int32_t index, std::string& page, int32_t& pageNumber) const {
  page.clear();
  pageNumber = 0;
  if (!m_open) return Status::Invalid("the book store is not open");
  PageRecord rec;
  if (Status readable = ReadRecord(index, rec); !readable) return readable;
  if (static_cast<size_t>(rec.length) > kMaxHitPageSource) {
    // A page this large is no page of text; marking it would take many
    // times its size in memory.
    return Status::Invalid("record " + std::to_string(index) + " holds a page of " +
                           std::to_string(rec.length) +
                           " bytes; hit pages are built from pages of at most " +
                           std::to_string(kMaxHitPageSource) + " bytes");
  }
  page.resize(static_cast<size_t>(rec.length));
  if (Status read = ReadPage(index, page.data(), page.size()); !read) {
    page.clear();
    return read;
  }
  if (!PageNumberFromName(rec.name, pageNumber)) pageNumber = 0;
  return Status::Ok();
}

}  // namespace tevarin
