// Concordance lines as a table: the columns, the fields of a line with and
// without its place, and the quoting of contexts in CSV and TSV.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalog/concordanceexport.h"
#include "catalog/contenttree.h"

namespace tevarin {

namespace {

TEST(ConcordanceExportTest, LinesBecomeRecordsOfTheTenColumns) {
  ContentsNodeTag division, book, volume;
  division.name = u"經部";
  book.name = u"論語,集解";
  volume.name = u"卷\"2\"";
  ConcordanceLine placed;
  placed.record = 41;
  placed.place = {&division, &book, &volume, 7};
  placed.inNotes = true;
  placed.anchor = 3;
  placed.left = u"子曰，";
  placed.match = u"學";
  placed.right = u"而\t時\n習";
  ConcordanceLine bare;  // no catalogue: no titles, page 0, the body
  bare.record = 2;
  bare.match = u"𠀀";
  bare.right = u"a\\b";

  EXPECT_EQ(ConcordanceExportRow(placed),
            (std::vector<std::string>{"41", "經部", "論語,集解", "卷\"2\"", "7", "notes", "3", "子曰，", "學",
                                      "而\t時\n習"}));
  EXPECT_EQ(ConcordanceExportRow(bare),
            (std::vector<std::string>{"2", "", "", "", "0", "body", "0", "", "𠀀", "a\\b"}));

  struct Case {
    DelimitedFormat format;
    std::string text;
  };
  const std::vector<Case> cases = {
      {DelimitedFormat::Csv,
       "record,division,book,volume,page,part,anchor,left,match,right\n"
       "41,經部,\"論語,集解\",\"卷\"\"2\"\"\",7,notes,3,子曰，,學,\"而\t時\n習\"\n"
       "2,,,,0,body,0,,𠀀,a\\b\n"},
      {DelimitedFormat::Tsv,
       "record\tdivision\tbook\tvolume\tpage\tpart\tanchor\tleft\tmatch\tright\n"
       "41\t經部\t論語,集解\t卷\"2\"\t7\tnotes\t3\t子曰，\t學\t而\\t時\\n習\n"
       "2\t\t\t\t0\tbody\t0\t\t𠀀\ta\\\\b\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    EXPECT_TRUE(WriteConcordanceExport(out, {placed, bare}, c.format));
    EXPECT_EQ(out.str(), c.text);
  }

  // A stream that takes nothing is reported.
  std::ostringstream closed;
  closed.setstate(std::ios::badbit);
  EXPECT_FALSE(WriteConcordanceExport(closed, {placed}, DelimitedFormat::Csv));
}

}  // namespace

}  // namespace tevarin
