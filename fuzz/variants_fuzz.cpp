// Fuzz target: the variant table "yitizi.txt" and what the engine does with it.
// Input: [u16 length][keyword string, UTF-16LE][yitizi.txt bytes: the rest].
// The loaded groups must equal a direct reading of the file; FindVariantSlot
// must name the first group holding a code point, and only slots that exist;
// ExpandVariants must give the combinations in depth-first order, stopping at
// its bounds with false.
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "text/codeconverter.h"
#include "index/index.h"
#include "index/varianttable.h"

using namespace tevarin;

namespace {

using Groups = std::vector<std::vector<uint32_t>>;

// The file read line by line and field by field, as its format says.
Groups ReadTable(std::string_view bytes) {
  Groups groups;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    if (!line.empty()) {
      std::vector<uint32_t> group;
      size_t f = 0;
      while (f <= line.size()) {
        size_t comma = line.find(',', f);
        if (comma == std::string_view::npos) comma = line.size();
        std::string_view field = line.substr(f, comma - f);
        if (!field.empty()) {
          size_t i = 0;
          while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
          if (i + 2 < field.size() && field[i] == '0' && (field[i + 1] | 0x20) == 'x' &&
              std::isxdigit(static_cast<unsigned char>(field[i + 2])))
            i += 2;
          uint64_t v = 0;
          for (; i < field.size() && std::isxdigit(static_cast<unsigned char>(field[i])); ++i) {
            const int d = field[i] <= '9' ? field[i] - '0' : (field[i] | 0x20) - 'a' + 10;
            v = std::min<uint64_t>(v * 16 + static_cast<uint64_t>(d), UINT32_MAX);
          }
          group.push_back(static_cast<uint32_t>(v));
        }
        f = comma + 1;
      }
      groups.push_back(std::move(group));
    }
    start = end + 1;
  }
  return groups;
}

int FirstGroup(const Groups& groups, uint32_t cp) {
  for (size_t g = 0; g < groups.size(); ++g)
    for (uint32_t m : groups[g])
      if (m == cp) return static_cast<int>(g);
  return -1;
}

void Append(std::u16string& s, uint32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    s.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    s.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    s.push_back(static_cast<char16_t>(cp));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const std::u16string keywords = FuzzInput::Units(in.Sized());
  const std::string_view table = in.Rest();
  const std::string& dir = ScratchDir();
  WriteScratchFile(dir + "/yitizi.txt", table);

  VariantTable variants;
  FUZZ_CHECK(variants.Load(dir));
  const Groups expect = ReadTable(table);
  FUZZ_CHECK(variants.Groups() == expect);

  // Code points to ask about: the keyword's characters and every member.
  std::vector<uint32_t> cps;
  for (size_t i = 0; i < keywords.size(); ++i) {
    uint32_t c = keywords[i];
    if (IsHighSurrogate(c) && i + 1 < keywords.size() && IsLowSurrogate(keywords[i + 1]))
      c = CombineSurrogates(c, keywords[++i]);
    cps.push_back(c);
  }
  std::vector<uint32_t> asked = cps;
  for (size_t g = 0; g < expect.size() && g < 64; ++g)
    asked.insert(asked.end(), expect[g].begin(), expect[g].end());
  for (uint32_t cp : asked) {
    int slot = -7;
    const bool found = variants.FindSlot(cp, slot);
    const int g = FirstGroup(expect, cp);
    FUZZ_CHECK(found == (g >= 0 && g < kMaxVariantGroups));
    FUZZ_CHECK(found ? slot == kVariantSlotBase + g : slot == -7);
    if (found) FUZZ_CHECK(slot < kSlotCount);
  }

  // The expansion, against the odometer over the characters' lists.
  std::vector<std::vector<uint32_t>> perChar;
  size_t product = 1;
  for (uint32_t c : cps) {
    const int g = FirstGroup(expect, c);
    perChar.push_back(g >= 0 ? expect[static_cast<size_t>(g)] : std::vector<uint32_t>{c});
    product = perChar.back().empty() ? 0 : std::min<size_t>(product * perChar.back().size(), 1 << 20);
  }
  std::vector<std::u16string> forms;
  const bool complete = variants.Expand(keywords, forms);
  FUZZ_CHECK(forms.size() <= VariantTable::kMaxForms);
  size_t units = 0;
  for (const auto& f : forms) units += f.size();
  FUZZ_CHECK(units <= VariantTable::kMaxUnits);
  if (keywords.empty()) {
    FUZZ_CHECK(complete && forms.empty());
    return 0;
  }
  if (product == 0) return 0;  // a character whose group is empty: no form exists
  if (complete) FUZZ_CHECK(forms.size() == product);
  else FUZZ_CHECK(forms.size() < product);
  std::vector<size_t> pick(perChar.size(), 0);
  for (const auto& form : forms) {
    std::u16string want;
    for (size_t k = 0; k < perChar.size(); ++k) Append(want, perChar[k][pick[k]]);
    FUZZ_CHECK(form == want);
    for (size_t k = perChar.size(); k-- > 0;) {
      if (++pick[k] < perChar[k].size()) break;
      pick[k] = 0;
    }
  }
  return 0;
}
