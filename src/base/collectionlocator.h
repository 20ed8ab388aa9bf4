// Where the programs find the collection. Both the desktop program and the
// command-line tool ask LocateCollection, in this order:
//   1. the folder given on the command line (--data DIR),
//   2. $TEVARIN_DATA,
//   3. the executable's own folder, when it holds a collection (the build
//      tree, where the collection is built beside the programs),
//   4. $XDG_DATA_HOME/tevarin/collection (~/.local/share/tevarin/collection
//      when $XDG_DATA_HOME is unset),
//   5. tevarin/collection under each folder of $XDG_DATA_DIRS (by default
//      /usr/local/share and /usr/share).
// A folder the user named (1 or 2) is used as it is, collection or not, so
// that a wrong name is reported rather than passed over for another
// collection. The other places are taken only when they hold one. When none
// does, the answer is the user's own folder (4), where a collection is
// usually built, and the list of every place looked at.
//
// Relative entries of $XDG_DATA_HOME and $XDG_DATA_DIRS are ignored, as the
// XDG base directory rules ask.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tevarin {

// What the search reads from the process, gathered so that tests can give
// their own. Empty means unset.
struct CollectionPlaces {
  std::string dataOption;        // --data DIR
  std::string dataVariable;      // $TEVARIN_DATA
  std::string executableFolder;  // the folder of the running program
  std::string xdgDataHome;       // $XDG_DATA_HOME
  std::string xdgDataDirs;       // $XDG_DATA_DIRS
  std::string home;              // $HOME

  // The variables of this process, with the option and the executable's
  // folder the caller knows.
  static CollectionPlaces FromEnvironment(std::string dataOption, std::string executableFolder);
};

enum class CollectionSource {
  kOption,       // --data DIR
  kVariable,     // $TEVARIN_DATA
  kExecutable,   // beside the program
  kDataHome,     // $XDG_DATA_HOME/tevarin/collection
  kDataDirs,     // an entry of $XDG_DATA_DIRS
  kNone,         // nowhere: folder is the user's own folder, which holds none
};

struct CollectionLocation {
  std::string folder;               // the folder to open, without a trailing slash
  bool found = false;               // folder holds a collection
  CollectionSource source = CollectionSource::kNone;
  std::vector<std::string> looked;  // every place looked at, in order, each once
};

// The file every collection has: the book header.
inline constexpr const char* kCollectionMarker = "Index-fl.h";

// Whether folder holds a collection: its book header is a regular file (a
// link to one counts).
bool HoldsCollection(const std::string& folder);

CollectionLocation LocateCollection(const CollectionPlaces& places,
                                    const std::function<bool(const std::string&)>& holds = HoldsCollection);

// The folder a user's collection goes to: $XDG_DATA_HOME/tevarin/collection,
// else $HOME/.local/share/tevarin/collection; empty when neither is known.
std::string UserCollectionFolder(const CollectionPlaces& places);

// Where to build a collection that was not found: the folder the user named,
// else the user's own folder ("DIR" when that is unknown too).
std::string SuggestedBuildFolder(const CollectionLocation& location, const std::string& userFolder);

// One line for a collection that was not found: where the search looked and
// how to build one, into the folder the user named or else the user's own.
std::string MissingCollectionHint(const CollectionLocation& location, const std::string& userFolder);

// The places looked at, joined with ", ".
std::string JoinLooked(const std::vector<std::string>& looked);

}  // namespace tevarin
