#include "collectionbuilder.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "catalogueplan.h"
#include "index/charslot.h"
#include "indexbuilder.h"
#include "variantgroups.h"
#include "writer/bookwriter.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kStagingPrefix = ".mkcollection-";
constexpr const char* kStagingSuffix = ".tmp";

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

// Flushes a file (or folder) to disk, so that a rename never publishes a
// file whose bytes are not there yet.
bool SyncPath(const std::string& path, bool folder) {
  const int fd = ::open(path.c_str(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// Staging folders left behind by builds that were killed: their process is gone.
void RemoveStaleStaging(const std::string& outDir) {
  std::error_code ec;
  for (fs::directory_iterator it(outDir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(kStagingPrefix, 0) != 0 || name.size() < std::strlen(kStagingPrefix) + 5) continue;
    const long pid = std::strtol(name.c_str() + std::strlen(kStagingPrefix), nullptr, 10);
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::error_code rm;
      fs::remove_all(it->path(), rm);
    }
  }
}

}  // namespace

const std::vector<std::string>& CollectionFileNames() {
  static const std::vector<std::string> names = {
      "Index-fl.h",        "Index-fl.cnt",        "Index-idx.h",        "Index-idx.m",
      "Index_content-idx.h", "Index_content-idx.m", "Index_desc-idx.h", "Index_desc-idx.m",
      "yitizi.txt",        "vok.dir"};
  return names;
}

std::string PageName(size_t d, size_t b, size_t v, size_t p) {
  char name[96];
  std::snprintf(name, sizeof name, "d%zu\\b%02zu\\v%04zu\\%04zu.htm", d, b, v, p);
  return name;
}

uint64_t BuildStats::TotalBytes() const {
  uint64_t n = 0;
  for (const auto& [name, size] : fileSizes) n += size;
  return n;
}

bool WriteCollection(const std::vector<Division>& divisions,
                     const std::vector<std::vector<uint32_t>>& groups, const std::string& folder,
                     const BuildOptions& options, BuildStats& stats, std::string& error) {
  stats = BuildStats();
  // Limits that can be checked before any work is done.
  if (groups.size() > static_cast<size_t>(kMaxVariantGroups)) {
    error = "there are " + std::to_string(groups.size()) + " variant groups; the index has slots for " +
            std::to_string(kMaxVariantGroups);
    return false;
  }
  const size_t catalogueRecords = CatalogueRecordCount(divisions);
  if (catalogueRecords > kMaxCatalogueRecords) {
    error = "the catalogue would need " + std::to_string(catalogueRecords) +
            " records; the reader holds at most 9,999 (cut the books into fewer volumes)";
    return false;
  }
  size_t totalVolumes = 0;
  for (const auto& d : divisions)
    for (const auto& b : d.books) totalVolumes += b.volumes.size();

  BookWriter book;
  if (!book.Create(folder, "Index", options.nameWidth)) {
    error = book.Error();
    return false;
  }
  IndexBuilder index(groups);
  VolumePages counts(divisions.size());
  uint32_t record = 0;
  size_t volumesDone = 0;
  const std::string phase = "pages";
  for (size_t d = 0; d < divisions.size(); ++d) {
    const Division& div = divisions[d];
    counts[d].resize(div.books.size());
    for (size_t b = 0; b < div.books.size(); ++b) {
      for (size_t v = 0; v < div.books[b].volumes.size(); ++v) {
        const Volume& vol = div.books[b].volumes[v];
        const std::vector<std::string> pages = LayOutVolume(div.books[b].title, vol, options.pageChars);
        if (pages.size() > 65535) {
          error = div.books[b].title + " " + vol.title + " has " + std::to_string(pages.size()) +
                  " pages; a volume holds at most 65,535";
          return false;
        }
        for (size_t p = 0; p < pages.size(); ++p) {
          const std::string name = PageName(d + 1, b + 1, v + 1, p + 1);
          if (name.size() >= static_cast<size_t>(options.nameWidth)) {
            error = "the page name " + name + " is wider than the " + std::to_string(options.nameWidth - 1) +
                    " bytes a record name holds";
            return false;
          }
          if (!book.AddPage(name, pages[p])) {
            error = book.Error();
            return false;
          }
          if (!index.AddPage(record, pages[p], static_cast<int32_t>(p + 1), error)) {
            error = "page " + name + ": " + error;
            return false;
          }
          ++record;
        }
        counts[d][b].push_back(static_cast<int32_t>(pages.size()));
        ++volumesDone;
        if (options.progress && (volumesDone % 64 == 0 || volumesDone == totalVolumes))
          options.progress(phase, volumesDone, totalVolumes);
      }
    }
  }
  if (!book.Finish()) {
    error = book.Error();
    return false;
  }
  std::vector<CatalogueRecord> catalogue;
  if (!PlanCatalogue(divisions, counts, catalogue, error) ||
      !WriteCatalogue(catalogue, folder + "/vok.dir", error))
    return false;
  if (!WriteWholeFile(folder + "/yitizi.txt", VariantGroups::Format(groups), error)) return false;
  if (options.progress) options.progress("indexes", 0, 3);
  if (!index.Write(folder, error)) return false;
  if (options.progress) options.progress("indexes", 3, 3);

  stats.records = static_cast<int32_t>(record);
  for (int s = 0; s < 3; ++s) stats.indexed[s] = index.Indexed(static_cast<IndexScope>(s));
  stats.catalogueEntries = catalogue.size();
  stats.groups = groups.size();
  for (const auto& name : CollectionFileNames()) {
    std::error_code ec;
    const auto size = fs::file_size(folder + "/" + name, ec);
    if (ec) {
      error = "missing " + folder + "/" + name + " after the build";
      return false;
    }
    stats.fileSizes[name] = size;
  }
  return true;
}

bool BuildCollectionInto(const std::vector<Division>& divisions,
                         const std::vector<std::vector<uint32_t>>& groups, const std::string& outDir,
                         const BuildOptions& options, BuildStats& stats, std::string& error) {
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (!fs::is_directory(outDir)) {
    error = "cannot create the output folder " + outDir + (ec ? ": " + ec.message() : "");
    return false;
  }
  RemoveStaleStaging(outDir);
  const std::string staging = outDir + "/" + kStagingPrefix + std::to_string(::getpid()) + kStagingSuffix;
  fs::remove_all(staging, ec);
  if (!fs::create_directory(staging, ec)) {
    error = "cannot create " + staging + (ec ? ": " + ec.message() : "");
    return false;
  }
  auto fail = [&] {
    std::error_code rm;
    fs::remove_all(staging, rm);
    return false;
  };
  if (!WriteCollection(divisions, groups, staging, options, stats, error)) return fail();
  if (options.progress) options.progress("sync", 0, 1);
  for (const auto& name : CollectionFileNames())
    if (!SyncPath(staging + "/" + name, false)) {
      error = "cannot flush " + staging + "/" + name + " to disk: " + std::strerror(errno);
      return fail();
    }
  // Every file is complete: move them into place. Each rename replaces one
  // file atomically. The previous files are kept as hard links in the
  // staging folder until all renames succeeded, so that a failed rename can
  // put the previous collection back instead of leaving a mixture.
  const std::string previous = staging + "/previous";
  fs::create_directory(previous, ec);
  std::vector<std::string> replaced, added;
  auto restore = [&] {
    std::error_code back;
    for (const auto& name : replaced) fs::rename(previous + "/" + name, outDir + "/" + name, back);
    for (const auto& name : added) fs::remove(outDir + "/" + name, back);
  };
  for (const auto& name : CollectionFileNames()) {
    const std::string target = outDir + "/" + name;
    const bool existed = fs::exists(target, ec);
    if (existed && ::link(target.c_str(), (previous + "/" + name).c_str()) != 0) {
      error = "cannot keep the previous " + target + " while replacing it: " + std::strerror(errno);
      restore();
      return fail();
    }
    fs::rename(staging + "/" + name, target, ec);
    if (ec) {
      error = "cannot move " + name + " into " + outDir + ": " + ec.message();
      if (existed) fs::remove(previous + "/" + name, ec);
      restore();
      return fail();
    }
    (existed ? replaced : added).push_back(name);
  }
  SyncPath(outDir, true);
  fs::remove_all(staging, ec);
  if (options.progress) options.progress("sync", 1, 1);
  return true;
}
