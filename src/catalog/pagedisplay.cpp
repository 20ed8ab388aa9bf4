#include "catalog/pagedisplay.h"

#include "index/index.h"
#include "catalog/catalogue.h"

namespace tevarin {

bool LoadTocPage(const CIndex& index, const NodeItem& entry, bool useFirstPage, int32_t page,
                 TocPage& out, std::string& error) {
  if (useFirstPage) page = entry.curFileName;
  if (!index.Files().IsOpen()) {
    error = "the collection is not open";
    return false;
  }
  // The entry's records are docID - 1 .. docID + docNo - 2 and its page numbers
  // curFileName .. curFileName + docNo - 1 (64-bit: the fields come from a file).
  const int64_t firstRecord = int64_t(entry.docID) - 1;
  const int64_t lastRecord = firstRecord + entry.docNo - 1;
  const int64_t firstPage = entry.curFileName;
  const int64_t lastPage = firstPage + entry.docNo - 1;
  if (entry.docNo < 1 || firstRecord < 0 || lastRecord > INT32_MAX) {
    error = "the catalogue entry names no pages of the collection";
    return false;
  }
  if (page < firstPage || page > lastPage) {
    error = "page " + std::to_string(page) + " is not a page of this entry (" +
            std::to_string(firstPage) + ".." + std::to_string(lastPage) + ")";
    return false;
  }
  int32_t record = -1;
  if (!index.FindPage(static_cast<int32_t>(firstRecord), page, record) || record < firstRecord ||
      record > lastRecord) {
    error = "no record of this entry carries page " + std::to_string(page);
    return false;
  }
  if (!index.Files().ReadPage(record, out.bytes)) {
    error = index.Files().LastError();
    if (error.empty()) error = "cannot read record " + std::to_string(record);
    return false;
  }
  out.record = record;
  out.pageNo = page;
  return true;
}

bool LoadTocPage(const CIndex& index, const CCatalogue& catalogue, int entry, bool useFirstPage,
                 int32_t page, TocPage& out, std::string& error) {
  const NodeItem* item = catalogue.Entry(entry);
  if (!item) {
    error = "entry " + std::to_string(entry) + " is not in the catalogue (1.." +
            std::to_string(catalogue.NodeCount() - 1) + ")";
    return false;
  }
  return LoadTocPage(index, *item, useFirstPage, page, out, error);
}

}  // namespace tevarin
