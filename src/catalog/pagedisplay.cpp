#include "catalog/pagedisplay.h"

#include "index/index.h"
#include "catalog/catalogue.h"

namespace tevarin {

Status LoadTocPage(const CIndex& index, const NodeItem& entry, bool useFirstPage, int32_t page,
                   TocPage& out) {
  if (useFirstPage) page = entry.curFileName;
  if (!index.Files().IsOpen()) return Status::Invalid("the collection is not open");
  // The entry's records are docID - 1 .. docID + docNo - 2 and its page numbers
  // curFileName .. curFileName + docNo - 1 (64-bit: the fields come from a file).
  const int64_t firstRecord = int64_t(entry.docID) - 1;
  const int64_t lastRecord = firstRecord + entry.docNo - 1;
  const int64_t firstPage = entry.curFileName;
  const int64_t lastPage = firstPage + entry.docNo - 1;
  if (entry.docNo < 1 || firstRecord < 0 || lastRecord > INT32_MAX)
    return Status::Corrupt("the catalogue entry names no pages of the collection");
  if (page < firstPage || page > lastPage)
    return Status::Invalid("page " + std::to_string(page) + " is not a page of this entry (" +
                           std::to_string(firstPage) + ".." + std::to_string(lastPage) + ")");
  int32_t record = -1;
  if (!index.FindPage(static_cast<int32_t>(firstRecord), page, record) || record < firstRecord ||
      record > lastRecord)
    return Status::NotFound("no record of this entry carries page " + std::to_string(page));
  if (Status read = index.Files().ReadPage(record, out.bytes); !read) return read;
  out.record = record;
  out.pageNo = page;
  return Status::Ok();
}

Status LoadTocPage(const CIndex& index, const CCatalogue& catalogue, int entry, bool useFirstPage,
                   int32_t page, TocPage& out) {
  const NodeItem* item = catalogue.Entry(entry);
  if (!item)
    return Status::Invalid("entry " + std::to_string(entry) + " is not in the catalogue (1.." +
                           std::to_string(catalogue.NodeCount() - 1) + ")");
  return LoadTocPage(index, *item, useFirstPage, page, out);
}

}  // namespace tevarin
