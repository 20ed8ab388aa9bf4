// The check of the catalogue (format in catalog/catalogueformat.h): it reads
// the catalogue with the reader (CCatalogue) and then checks whole records,
// levels that nest, ranges inside the page table and inside the parent,
// siblings in order, and the page numbers of a volume's records running on
// from curFileName.
#pragma once

#include <string>

#include "base/checkreport.h"
#include "base/status.h"
#include "store/bookcheck.h"

namespace tevarin {

// Checks folder/vok.dir into the part "catalogue" of report against the
// book store's figures (from CheckBookStore).
Status CheckCatalogue(const std::string& folder, const BookFacts& book, CheckReport& report);

}  // namespace tevarin
