// The check of the book files (format in store/bookformat.h): it opens them
// with the reader (CFileList) and then checks what the reader takes on
// trust, in one pass over the page table in large reads:
//   every record's byte range lies inside the content file (the reader's own
//   range checks); its name is terminated and carries a page number of at
//   most 11 characters; the page table ends in no partial record.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/checkreport.h"
#include "base/status.h"

namespace tevarin {

// What the other checks take from the book store.
struct BookFacts {
  static constexpr int32_t kNoPageNumber = INT32_MIN;
  bool open = false;
  int32_t recordCount = 0;
  std::vector<int32_t> pageNumbers;  // per record; kNoPageNumber when it has none
};

// Checks folder/<baseName>-fl.{h,cnt} into the part "book store" of report
// and fills facts; Ok when no problem was found.
Status CheckBookStore(const std::string& folder, const std::string& baseName, CheckReport& report,
                      BookFacts& facts);

// A byte string as a problem line quotes it: printable ASCII kept, other
// bytes as \xNN.
std::string QuotedBytes(std::string_view s);

}  // namespace tevarin
