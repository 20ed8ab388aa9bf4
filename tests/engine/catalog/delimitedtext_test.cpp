// Delimited text: CSV quoting, TSV escaping, the header's column count.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalog/delimitedtext.h"

namespace tevarin {

namespace {

TEST(DelimitedTextTest, FieldsAreQuotedOrEscaped) {
  struct Case {
    std::string field, csv, tsv;
  };
  const std::vector<Case> cases = {
      {"明月", "明月", "明月"},
      {"", "", ""},
      {"a,b", "\"a,b\"", "a,b"},
      {"say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\""},
      {"\"", "\"\"\"\"", "\""},
      {"line\nbreak", "\"line\nbreak\"", "line\\nbreak"},
      {"cr\rhere", "\"cr\rhere\"", "cr\\rhere"},
      {"tab\there", "tab\there", "tab\\there"},
      {"back\\slash", "back\\slash", "back\\\\slash"},
      {" 空 白 ", " 空 白 ", " 空 白 "},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(DelimitedField(k.field, DelimitedFormat::Csv), k.csv) << k.field;
    EXPECT_EQ(DelimitedField(k.field, DelimitedFormat::Tsv), k.tsv) << k.field;
  }
}

TEST(DelimitedTextTest, WriterKeepsTheHeadersColumns) {
  for (DelimitedFormat format : {DelimitedFormat::Csv, DelimitedFormat::Tsv}) {
    std::ostringstream out;
    DelimitedWriter w(out, format);
    w.Header({"left", "match", "right"});
    EXPECT_TRUE(w.Row({"日居", "月", "諸，胡"}));
    EXPECT_FALSE(w.Row({"too", "few"}));
    EXPECT_TRUE(w.Row({"a\tb", "\"", ""}));
    EXPECT_TRUE(w.Good());
    if (format == DelimitedFormat::Csv)
      EXPECT_EQ(out.str(), "left,match,right\n日居,月,諸，胡\na\tb,\"\"\"\",\n");
    else
      EXPECT_EQ(out.str(), "left\tmatch\tright\n日居\t月\t諸，胡\na\\tb\t\"\t\n");
  }
}

TEST(DelimitedTextTest, FormatNamesAndUtf8) {
  DelimitedFormat f = DelimitedFormat::Tsv;
  EXPECT_TRUE(ParseDelimitedFormat("CSV", f));
  EXPECT_EQ(f, DelimitedFormat::Csv);
  EXPECT_TRUE(ParseDelimitedFormat("tsv", f));
  EXPECT_EQ(f, DelimitedFormat::Tsv);
  EXPECT_FALSE(ParseDelimitedFormat("xls", f));
  EXPECT_FALSE(ParseDelimitedFormat("", f));
  // A supplementary-plane character as one four-byte sequence; an unpaired
  // surrogate as U+FFFD.
  EXPECT_EQ(Utf8FromUtf16(u"𠀀月"), "𠀀月");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD840)) + u"月"), "\xEF\xBF\xBD月");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

}  // namespace

}  // namespace tevarin
