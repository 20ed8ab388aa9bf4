// Bad input stops the builder with a clear reason, and a failed build leaves
// the previous collection in the out folder untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "collectionbuilder.h"
#include "index/charslot.h"
#include "indexbuilder.h"
#include "mkcollection_fixture.h"

namespace fs = std::filesystem;

namespace {

TEST(MkCollectionErrors, CorpusProblemsNameTheFile) {
  struct Case {
    const char* what;
    std::function<void(TinyCorpus&)> damage;
    std::vector<const char*> said;
  };
  const Case cases[] = {
      {"missing folder", [](TinyCorpus& c) { fs::remove_all(c.Path()); }, {"corpus folder not found"}},
      {"missing file", [](TinyCorpus& c) { fs::remove(c.Path() + "/classic/lunyu.json"); },
       {"cannot read", "classic/lunyu.json"}},
      {"invalid JSON", [](TinyCorpus& c) { WriteFile(c.Path() + "/classic/lunyu.json", "[{\"chapter\": "); },
       {"not valid JSON", "lunyu.json", "line 1"}},
      {"unreadable file", [](TinyCorpus& c) { fs::create_directory(c.Path() + "/tang/json/003.json"); },
       {"003.json"}},
      {"unexpected shape", [](TinyCorpus& c) { WriteFile(c.Path() + "/tang/json/002.json", "{\"a\": 1}"); },
       {"unexpected shape", "002.json"}},
      {"no files of a set", [](TinyCorpus& c) {
         fs::remove(c.Path() + "/poems/poet.song.2.json");
         fs::remove(c.Path() + "/poems/poet.song.10.json");
       }, {"no poet.song.*.json files"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TinyCorpus corpus;
    c.damage(corpus);
    std::vector<Division> divisions;
    std::string error;
    EXPECT_FALSE(ReadCorpus(corpus.Path(), corpus.sources, nullptr, divisions, error));
    for (const char* s : c.said) EXPECT_NE(error.find(s), std::string::npos) << error;
  }
}

// A good collection with an executable beside it, then a build that fails:
// nothing in the folder changes and no staging folder is left behind.
TEST(MkCollectionErrors, FailedBuildLeavesThePreviousCollection) {
  TinyCorpus corpus;
  TempDir out;
  std::vector<Division> divisions;
  std::string error;
  ASSERT_TRUE(ReadCorpus(corpus.Path(), corpus.sources, nullptr, divisions, error)) << error;
  BuildStats stats;
  ASSERT_TRUE(BuildCollectionInto(divisions, {}, out.path(), BuildOptions(), stats, error)) << error;
  WriteFile(out.file("tevarin-cli"), "program");
  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(out.path())) before[e.path().filename()] = ReadFile(e.path());

  auto expectUnchanged = [&] {
    std::map<std::string, std::string> now;
    for (const auto& e : fs::directory_iterator(out.path())) now[e.path().filename()] = ReadFile(e.path());
    EXPECT_TRUE(now == before);
  };

  // Too many catalogue records.
  Book big{"大", {}};
  for (int i = 0; i < 10000; ++i) big.volumes.push_back(Volume{"卷", {Work{"", "", {}, {"一"}, {}}}});
  EXPECT_FALSE(BuildCollectionInto({Division{"部", {big}}}, {}, out.path(), BuildOptions(), stats, error));
  EXPECT_NE(error.find("9,999"), std::string::npos) << error;
  expectUnchanged();

  // A record name wider than the name field.
  BuildOptions narrow;
  narrow.nameWidth = 12;
  EXPECT_FALSE(BuildCollectionInto(divisions, {}, out.path(), narrow, stats, error));
  EXPECT_NE(error.find("wider"), std::string::npos) << error;
  expectUnchanged();

  // More variant groups than group slots.
  std::vector<std::vector<uint32_t>> groups(kMaxVariantGroups + 1, {0x4E00, 0x4E01});
  EXPECT_FALSE(BuildCollectionInto(divisions, groups, out.path(), BuildOptions(), stats, error));
  EXPECT_NE(error.find("variant groups"), std::string::npos) << error;
  expectUnchanged();

  // A successful rebuild replaces the data files and nothing else.
  ASSERT_TRUE(BuildCollectionInto(divisions, {{0x5B66, 0x5B78}}, out.path(), BuildOptions(), stats, error));
  EXPECT_EQ(ReadFile(out.file("yitizi.txt")), "5B66,5B78\n");
  EXPECT_EQ(ReadFile(out.file("tevarin-cli")), "program");
  for (const auto& e : fs::directory_iterator(out.path()))
    EXPECT_NE(e.path().filename().string().rfind(".mkcollection-", 0), 0u) << e.path();
}

TEST(MkCollectionErrors, PageEntryOverTheFormatLimitIsRefused) {
  // 70,000 occurrences of one character on one page need 70,000 bytes of
  // positions; a page entry holds at most 65,535.
  std::string text;
  for (int i = 0; i < 70000; ++i) text += "一";
  const std::string page = "<html><title>t</title><table><tr><TD>" + text + "</TD><TD>m</TD></tr></table></html>";
  IndexBuilder builder({});
  std::string error;
  EXPECT_FALSE(builder.AddPage(0, page, 2, error));
  EXPECT_NE(error.find("65535"), std::string::npos) << error;

  // Just under the limit is fine.
  IndexBuilder fits({});
  text.clear();
  for (int i = 0; i < 65535; ++i) text += "一";
  EXPECT_TRUE(fits.AddPage(0, "<title>t</title><TD>" + text + "</TD>", 2, error)) << error;
}

}  // namespace
