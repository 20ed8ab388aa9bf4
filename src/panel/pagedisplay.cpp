#include "panel/pagedisplay.h"

#include "index/index.h"
#include "panel/catalogue.h"

bool LoadTocPage(const CIndex& index, const NodeItem& entry, bool useFirstPage, int32_t page,
                 TocPage& out, std::string& error) {
  if (useFirstPage) page = entry.curFileName;
  if (!index.Files().IsOpen()) {
    error = "the collection is not open";
    return false;
  }
  const int64_t first = entry.curFileName;
  if (entry.docNo < 1 || page < first || page > first + entry.docNo - 1) {
    error = "page " + std::to_string(page) + " is not a page of this entry";
    return false;
  }
  int32_t record = -1;
  if (!index.FindPage(entry.docID - 1, page, record) || record < entry.docID - 1 ||
      record > entry.docID - 1 + entry.docNo - 1) {
    error = "no record of this entry carries page " + std::to_string(page);
    return false;
  }
  if (!index.Files().ReadPage(record, out.bytes)) {
    error = index.Files().LastError();
    return false;
  }
  out.record = record;
  out.pageNo = page;
  return true;
}
