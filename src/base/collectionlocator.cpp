#include "base/collectionlocator.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace tevarin {

namespace {

constexpr const char* kSubfolder = "tevarin/collection";
constexpr const char* kDefaultDataDirs = "/usr/local/share:/usr/share";

std::string Getenv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// Without trailing slashes, except for the root itself.
std::string Trimmed(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Join(const std::string& base, const std::string& name) {
  const std::string b = Trimmed(base);
  return b == "/" ? b + name : b + "/" + name;
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// The data home: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share; empty when neither is known.
std::string DataHome(const CollectionPlaces& p) {
  if (IsAbsolute(p.xdgDataHome)) return Trimmed(p.xdgDataHome);
  if (!p.home.empty()) return Join(p.home, ".local/share");
  return std::string();
}

std::vector<std::string> DataDirs(const CollectionPlaces& p) {
  const std::string list = p.xdgDataDirs.empty() ? kDefaultDataDirs : p.xdgDataDirs;
  std::vector<std::string> dirs;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t colon = std::min(list.find(':', start), list.size());
    const std::string entry = list.substr(start, colon - start);
    if (IsAbsolute(entry)) dirs.push_back(Trimmed(entry));
    start = colon + 1;
  }
  return dirs;
}

}  // namespace

CollectionPlaces CollectionPlaces::FromEnvironment(std::string dataOption, std::string executableFolder) {
  CollectionPlaces p;
  p.dataOption = std::move(dataOption);
  p.dataVariable = Getenv("TEVARIN_DATA");
  p.executableFolder = std::move(executableFolder);
  p.xdgDataHome = Getenv("XDG_DATA_HOME");
  p.xdgDataDirs = Getenv("XDG_DATA_DIRS");
  p.home = Getenv("HOME");
  return p;
}

bool HoldsCollection(const std::string& folder) {
  struct stat st;
  return stat(Join(folder, kCollectionMarker).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string UserCollectionFolder(const CollectionPlaces& places) {
  const std::string home = DataHome(places);
  return home.empty() ? std::string() : Join(home, kSubfolder);
}

CollectionLocation LocateCollection(const CollectionPlaces& places,
                                    const std::function<bool(const std::string&)>& holds) {
  CollectionLocation out;
  // A folder the user named is the answer, whatever it holds.
  for (const auto& [named, source] : {std::pair{&places.dataOption, CollectionSource::kOption},
                                      std::pair{&places.dataVariable, CollectionSource::kVariable}}) {
    if (named->empty()) continue;
    out.folder = Trimmed(*named);
    out.source = source;
    out.looked = {out.folder};
    out.found = holds(out.folder);
    return out;
  }

  std::vector<std::pair<std::string, CollectionSource>> candidates;
  if (!places.executableFolder.empty())
    candidates.emplace_back(Trimmed(places.executableFolder), CollectionSource::kExecutable);
  const std::string user = UserCollectionFolder(places);
  if (!user.empty()) candidates.emplace_back(user, CollectionSource::kDataHome);
  for (const std::string& dir : DataDirs(places))
    candidates.emplace_back(Join(dir, kSubfolder), CollectionSource::kDataDirs);

  for (const auto& [folder, source] : candidates) {
    if (std::find(out.looked.begin(), out.looked.end(), folder) != out.looked.end()) continue;
    out.looked.push_back(folder);
    if (holds(folder)) {
      out.folder = folder;
      out.source = source;
      out.found = true;
      return out;
    }
  }
  // Nowhere: the user's folder is opened, so that the failure names the
  // place a collection belongs.
  out.folder = !user.empty() ? user : Trimmed(places.executableFolder);
  out.source = CollectionSource::kNone;
  return out;
}

std::string JoinLooked(const std::vector<std::string>& looked) {
  std::string out;
  for (const std::string& place : looked) {
    if (!out.empty()) out += ", ";
    out += place;
  }
  return out;
}

std::string SuggestedBuildFolder(const CollectionLocation& location, const std::string& userFolder) {
  // A folder the user named is where the user wants it; else the user's own.
  const bool named = location.source == CollectionSource::kOption || location.source == CollectionSource::kVariable;
  return named ? location.folder : userFolder.empty() ? std::string("DIR") : userFolder;
}

std::string MissingCollectionHint(const CollectionLocation& location, const std::string& userFolder) {
  const std::string target = SuggestedBuildFolder(location, userFolder);
  return "no collection found (looked in " + JoinLooked(location.looked) +
         "); build one with: tevarin-mkcollection --corpus DIR --unihan FILE --out " + target +
         " (see tevarin-mkcollection(1))";
}

}  // namespace tevarin
