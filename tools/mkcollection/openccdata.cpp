#include "openccdata.h"

#include <filesystem>
#include <memory>

#include "inputfile.h"

#ifdef TEVARIN_HAVE_OPENCC
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/SimpleConverter.hpp>
#endif

namespace fs = std::filesystem;

bool OpenCCAvailable() {
#ifdef TEVARIN_HAVE_OPENCC
  return true;
#else
  return false;
#endif
}

bool ReadJapaneseVariants(const std::string& folder, std::string& text, std::string& error) {
  const std::string txt = folder + "/JPVariants.txt";
  if (fs::exists(txt)) return ReadInputFile(txt, text, error);
  const std::string ocd = folder + "/JPVariants.ocd2";
  if (!fs::exists(ocd)) {
    error = "neither JPVariants.txt nor JPVariants.ocd2 in " + folder;
    return false;
  }
#ifdef TEVARIN_HAVE_OPENCC
  std::FILE* f = std::fopen(ocd.c_str(), "rb");
  if (!f) {
    error = "cannot read " + ocd;
    return false;
  }
  try {
    const opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(f);
    std::fclose(f);
    f = nullptr;
    text.clear();
    for (const auto& entry : *dict->GetLexicon()) {
      text += entry->Key();
      text += '\t';
      const auto values = entry->Values();
      for (size_t i = 0; i < values.size(); ++i) text += (i ? " " : "") + values[i];
      text += '\n';
    }
  } catch (const std::exception& e) {
    if (f) std::fclose(f);
    error = "cannot read " + ocd + ": " + e.what();
    return false;
  }
  return true;
#else
  error = "this builder was built without the OpenCC library and cannot read " + ocd +
          " (install libopencc-dev and rebuild, or give a folder with JPVariants.txt)";
  return false;
#endif
}

bool MakeTitleConverter(const std::string& folder, TitleConverter& conv, std::string& error) {
  conv = nullptr;
#ifdef TEVARIN_HAVE_OPENCC
  const std::string config = folder + "/s2t.json";
  try {
    auto converter = std::make_shared<opencc::SimpleConverter>(config);
    conv = [converter](const std::string& s) { return converter->Convert(s); };
  } catch (const std::exception& e) {
    error = "cannot load " + config + ": " + e.what();
    return false;
  }
  return true;
#else
  (void)folder;
  error = "built without the OpenCC library";
  return false;
#endif
}
