#include "openccdata.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#ifdef TEVARIN_HAVE_OPENCC
#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/SimpleConverter.hpp>

namespace tevarin {
#endif

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The code point of a text of exactly one UTF-8 character, or 0.
uint32_t SingleCodePoint(const std::string& s) {
  if (s.empty()) return 0;
  const unsigned char c = static_cast<unsigned char>(s[0]);
  const size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || s.size() != n) return 0;
  uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
  for (size_t i = 1; i < n; ++i) {
    const unsigned char k = static_cast<unsigned char>(s[i]);
    if ((k & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (k & 0x3F);
  }
  return cp;
}

void AddLinks(const std::string& key, const std::vector<std::string>& values,
              std::vector<VariantLink>& links) {
  const uint32_t from = SingleCodePoint(key);
  if (!from) return;
  for (const std::string& v : values) {
    const uint32_t to = SingleCodePoint(v);
    if (to && to != from) links.emplace_back(from, to);
  }
}

bool ReadTextDictionary(const std::string& path, std::vector<VariantLink>& links,
                        std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string line;
  size_t entries = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::vector<std::string> values;
    for (size_t i = tab + 1; i <= line.size();) {
      size_t sp = line.find(' ', i);
      if (sp == std::string::npos) sp = line.size();
      if (sp > i) values.push_back(line.substr(i, sp - i));
      i = sp + 1;
    }
    AddLinks(line.substr(0, tab), values, links);
    ++entries;
  }
  if (entries == 0) {
    error = path + " holds no dictionary entry (key<TAB>values)";
    return false;
  }
  return true;
}

}  // namespace

bool ReadJapaneseVariants(const std::string& folder, std::vector<VariantLink>& links,
                          std::string& source, std::string& error) {
  const std::string text = folder + "/JPVariants.txt";
  if (Exists(text)) {
    source = text;
    return ReadTextDictionary(text, links, error);
  }
  const std::string binary = folder + "/JPVariants.ocd2";
  if (!Exists(binary)) {
    error = "the OpenCC folder " + folder + " has neither JPVariants.txt nor JPVariants.ocd2";
    return false;
  }
#ifdef TEVARIN_HAVE_OPENCC
  std::FILE* f = std::fopen(binary.c_str(), "rb");
  if (!f) {
    error = "cannot open " + binary + ": " + std::strerror(errno);
    return false;
  }
  try {
    const opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(f);
    std::fclose(f);
    f = nullptr;
    const opencc::LexiconPtr lexicon = dict->GetLexicon();
    for (const auto& entry : *lexicon) AddLinks(entry->Key(), entry->Values(), links);
    if (lexicon->Length() == 0) {
      error = binary + " holds no dictionary entry";
      return false;
    }
  } catch (const opencc::Exception& e) {
    if (f) std::fclose(f);
    error = "cannot read " + binary + ": " + e.what();
    return false;
  } catch (const std::exception& e) {
    if (f) std::fclose(f);
    error = "cannot read " + binary + ": " + e.what();
    return false;
  }
  source = binary;
  return true;
#else
  error = "this tevarin-mkcollection was built without the OpenCC library and cannot read " +
          binary + "; convert it to JPVariants.txt (opencc_dict -f ocd2 -t text)";
  return false;
#endif
}

bool MakeTraditionalConverter(const std::string& folder, TitleConverter& out, std::string& error) {
#ifdef TEVARIN_HAVE_OPENCC
  const std::string config = folder + "/s2t.json";
  if (!Exists(config)) {
    error = "the OpenCC folder " + folder + " has no s2t.json";
    return false;
  }
  try {
    auto converter = std::make_shared<opencc::SimpleConverter>(config);
    out = [converter](std::string_view s) {
      try {
        return converter->Convert(std::string(s));
      } catch (...) {
        return std::string(s);
      }
    };
    return true;
  } catch (const opencc::Exception& e) {
    error = "cannot load " + config + ": " + e.what();
  } catch (const std::exception& e) {
    error = "cannot load " + config + ": " + e.what();
  }
  return false;
#else
  (void)out;
  error = "built without the OpenCC library: catalogue titles stay as the corpus writes them";
  (void)folder;
  return false;
#endif
}

}  // namespace tevarin
