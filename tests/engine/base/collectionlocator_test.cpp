// Where the collection is found: the order of the places, which of them are
// taken only when they hold a collection, the XDG defaults and the entries
// they ignore, and the answer when no place holds one.
#include "base/collectionlocator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/testutil.h"

namespace tevarin {

namespace {

using Source = CollectionSource;

struct Case {
  const char* name;
  CollectionPlaces places;
  std::set<std::string> holding;  // the folders that hold a collection
  std::string folder;
  bool found;
  Source source;
  std::vector<std::string> looked;
};

// The places of a typical user; each case changes what it is about.
CollectionPlaces User() {
  CollectionPlaces p;
  p.executableFolder = "/opt/tev/bin";
  p.home = "/home/u";
  return p;
}

template <typename F>
CollectionPlaces With(F change) {
  CollectionPlaces p = User();
  change(p);
  return p;
}

const std::string kHomeCollection = "/home/u/.local/share/tevarin/collection";
const std::string kLocalCollection = "/usr/local/share/tevarin/collection";
const std::string kSystemCollection = "/usr/share/tevarin/collection";

}  // namespace

TEST(CollectionLocator, SearchOrder) {
  const Case cases[] = {
      {"the option wins over everything",
       With([](auto& p) { p.dataOption = "/data/opt/"; p.dataVariable = "/data/env"; }),
       {"/data/opt", "/data/env", "/opt/tev/bin", kHomeCollection},
       "/data/opt", true, Source::kOption, {"/data/opt"}},
      {"a named folder is taken though it holds nothing",
       With([](auto& p) { p.dataOption = "/data/empty"; }),
       {"/opt/tev/bin", kHomeCollection},
       "/data/empty", false, Source::kOption, {"/data/empty"}},
      {"the variable comes before the executable's folder",
       With([](auto& p) { p.dataVariable = "/data/env"; }),
       {"/data/env", "/opt/tev/bin"},
       "/data/env", true, Source::kVariable, {"/data/env"}},
      {"the executable's folder when it holds a collection",
       User(),
       {"/opt/tev/bin", kHomeCollection},
       "/opt/tev/bin", true, Source::kExecutable, {"/opt/tev/bin"}},
      {"the user's data home by default",
       User(),
       {kHomeCollection, kSystemCollection},
       kHomeCollection, true, Source::kDataHome, {"/opt/tev/bin", kHomeCollection}},
      {"XDG_DATA_HOME replaces ~/.local/share",
       With([](auto& p) { p.xdgDataHome = "/xdg/home/"; }),
       {"/xdg/home/tevarin/collection", kHomeCollection},
       "/xdg/home/tevarin/collection", true, Source::kDataHome,
       {"/opt/tev/bin", "/xdg/home/tevarin/collection"}},
      {"a relative XDG_DATA_HOME is ignored",
       With([](auto& p) { p.xdgDataHome = "relative/home"; }),
       {kHomeCollection},
       kHomeCollection, true, Source::kDataHome, {"/opt/tev/bin", kHomeCollection}},
      {"the default data folders, in order",
       User(),
       {kSystemCollection},
       kSystemCollection, true, Source::kDataDirs,
       {"/opt/tev/bin", kHomeCollection, kLocalCollection, kSystemCollection}},
      {"XDG_DATA_DIRS in its order, empty and relative entries skipped, repeats looked at once",
       With([](auto& p) { p.xdgDataDirs = "/a::rel:/b/:/a"; }),
       {"/b/tevarin/collection"},
       "/b/tevarin/collection", true, Source::kDataDirs,
       {"/opt/tev/bin", kHomeCollection, "/a/tevarin/collection", "/b/tevarin/collection"}},
      {"nowhere: the user's folder, and every place looked at",
       With([](auto& p) { p.xdgDataDirs = "/a"; }),
       {},
       kHomeCollection, false, Source::kNone, {"/opt/tev/bin", kHomeCollection, "/a/tevarin/collection"}},
      {"no home known: the executable's folder is the answer",
       With([](auto& p) { p.home.clear(); p.xdgDataDirs = "/a"; }),
       {},
       "/opt/tev/bin", false, Source::kNone, {"/opt/tev/bin", "/a/tevarin/collection"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CollectionLocation got =
        LocateCollection(c.places, [&](const std::string& folder) { return c.holding.count(folder) > 0; });
    EXPECT_EQ(got.folder, c.folder);
    EXPECT_EQ(got.found, c.found);
    EXPECT_EQ(got.source, c.source);
    EXPECT_EQ(got.looked, c.looked);
  }
}

TEST(CollectionLocator, HoldsCollectionLooksForTheBookHeader) {
  TempDir dir;
  const std::string collection = dir.file("collection");
  std::filesystem::create_directories(collection);
  EXPECT_FALSE(HoldsCollection(collection));
  EXPECT_FALSE(HoldsCollection(dir.file("missing")));
  // A folder of that name is no collection.
  std::filesystem::create_directories(collection + "/Index-fl.h");
  EXPECT_FALSE(HoldsCollection(collection));
  std::filesystem::remove(collection + "/Index-fl.h");
  std::ofstream(collection + "/Index-fl.h") << "x";
  EXPECT_TRUE(HoldsCollection(collection));
  EXPECT_TRUE(HoldsCollection(collection + "/"));
  // A link to a collection's files counts, as the package test links them.
  const std::string linked = dir.file("linked");
  std::filesystem::create_directories(linked);
  std::filesystem::create_symlink(collection + "/Index-fl.h", linked + "/Index-fl.h");
  EXPECT_TRUE(HoldsCollection(linked));

  // The real file system through the default predicate.
  CollectionPlaces places;
  places.executableFolder = dir.file("bin");
  places.xdgDataHome = dir.path();
  places.xdgDataDirs = dir.path();
  std::filesystem::create_directories(dir.file("tevarin/collection"));
  std::ofstream(dir.file("tevarin/collection/Index-fl.h")) << "x";
  const CollectionLocation got = LocateCollection(places);
  EXPECT_TRUE(got.found);
  EXPECT_EQ(got.folder, dir.file("tevarin/collection"));
  EXPECT_EQ(got.source, CollectionSource::kDataHome);
}

TEST(CollectionLocator, HintSaysWhereItLookedAndWhereToBuild) {
  CollectionPlaces places = User();
  places.xdgDataDirs = "/a";
  const CollectionLocation nowhere = LocateCollection(places, [](const std::string&) { return false; });
  const std::string hint = MissingCollectionHint(nowhere, UserCollectionFolder(places));
  EXPECT_NE(hint.find("looked in /opt/tev/bin, " + kHomeCollection + ", /a/tevarin/collection"), std::string::npos)
      << hint;
  EXPECT_NE(hint.find("--out " + kHomeCollection), std::string::npos) << hint;
  EXPECT_EQ(hint.find('\n'), std::string::npos);
  // A folder the user named is where the collection is to be built.
  places.dataVariable = "/data/env";
  const CollectionLocation named = LocateCollection(places, [](const std::string&) { return false; });
  EXPECT_NE(MissingCollectionHint(named, UserCollectionFolder(places)).find("--out /data/env "), std::string::npos);
}

TEST(CollectionLocator, FromEnvironmentReadsTheVariables) {
  setenv("TEVARIN_DATA", "/env/data", 1);
  setenv("XDG_DATA_HOME", "/env/home", 1);
  setenv("XDG_DATA_DIRS", "/env/dirs", 1);
  setenv("HOME", "/env/user", 1);
  const CollectionPlaces p = CollectionPlaces::FromEnvironment("/opt", "/exe");
  EXPECT_EQ(p.dataOption, "/opt");
  EXPECT_EQ(p.executableFolder, "/exe");
  EXPECT_EQ(p.dataVariable, "/env/data");
  EXPECT_EQ(p.xdgDataHome, "/env/home");
  EXPECT_EQ(p.xdgDataDirs, "/env/dirs");
  EXPECT_EQ(p.home, "/env/user");
  unsetenv("TEVARIN_DATA");
  EXPECT_TRUE(CollectionPlaces::FromEnvironment("", "/exe").dataVariable.empty());
}

}  // namespace tevarin
