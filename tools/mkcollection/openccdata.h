// What the builder takes from OpenCC's data folder (Debian: /usr/share/opencc):
// the Japanese new forms of characters (発 for 發, 国 for 國), which Unihan
// does not link, and the simplified-to-traditional conversion of the volume
// titles of the books that the corpus gives in simplified characters.
#pragma once

#include <string>

#include "corpus.h"

// Whether the builder was built with the OpenCC library (needed for the
// binary .ocd2 dictionaries and for title conversion).
bool OpenCCAvailable();

// The Japanese variant dictionary in OpenCC's text form ("舊<TAB>旧" lines):
// folder/JPVariants.txt when it exists, else folder/JPVariants.ocd2 read
// through the library. False with a reason when neither can be read.
bool ReadJapaneseVariants(const std::string& folder, std::string& text, std::string& error);

// A converter through folder/s2t.json. False with a reason when the library
// or the configuration is missing; conv is then left empty.
bool MakeTitleConverter(const std::string& folder, TitleConverter& conv, std::string& error);
