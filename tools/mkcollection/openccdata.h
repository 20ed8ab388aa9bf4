// What the builder takes from OpenCC's data folder (Debian: /usr/share/opencc):
// the Japanese new forms of characters, which Unihan does not link (発 for
// 發, 国 for 國), and a simplified-to-traditional converter for the few
// catalogue titles the corpus writes in simplified characters.
//
// JPVariants: traditional form -> Japanese form(s). Read from JPVariants.txt
// (text: "發<TAB>発", several values separated by spaces) when the folder has
// one, otherwise from the binary JPVariants.ocd2 through the OpenCC library.
// Only entries of one character to one character are links.
#pragma once

#include <string>
#include <vector>

#include "corpus.h"
#include "variantgroups.h"

namespace tevarin {

// Appends the links of the folder's JPVariants dictionary; source names the
// file read. False with a reason when neither form can be read.
bool ReadJapaneseVariants(const std::string& folder, std::vector<VariantLink>& links,
                          std::string& source, std::string& error);

// A converter to traditional characters from the folder's s2t.json. False
// with a reason when it cannot be made (no OpenCC library, missing data).
bool MakeTraditionalConverter(const std::string& folder, TitleConverter& out, std::string& error);

}  // namespace tevarin
