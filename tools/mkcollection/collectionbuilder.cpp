#include "collectionbuilder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "index/charslot.h"
#include "index/companionformat.h"
#include "indexbuilder.h"
#include "openccdata.h"
#include "writer/bookwriter.h"
#include "writer/companionwriter.h"

namespace tevarin {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxPagesPerVolume = 65535;  // page numbers of a volume run on from a 16-bit curFileName

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

// The staging folder: removed with its files unless released.
class StagingFolder {
 public:
  ~StagingFolder() {
    if (!m_path.empty()) {
      std::error_code ec;
      fs::remove_all(m_path, ec);
    }
  }
  bool Create(const std::string& outDir, std::string& error) {
    std::string tmpl = outDir + "/.mkcollection-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      error = "cannot create a staging folder in " + outDir + ": " + std::strerror(errno);
      return false;
    }
    m_path = tmpl;
    return true;
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

class Builder {
 public:
  Builder(const CollectionPlan& plan, const BuildOptions& o, BuildStats& s)
      : m_plan(plan), m_o(o), m_stats(s), m_start(std::chrono::steady_clock::now()) {}

  bool Run(std::string& error);

 private:
  void Progress(const std::string& what) {
    if (!m_o.progress) return;
    char t[32];
    std::snprintf(t, sizeof t, "[%6.1fs] ", Elapsed());
    m_o.progress(t + what);
  }
  double Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  }
  bool Variants(const std::string& folder, VariantGroupVector& groups, std::string& error);
  bool Books(const std::string& folder, const VariantGroupVector& groups, std::string& error);
  bool MoveIntoPlace(const std::string& staging, std::string& error);

  const CollectionPlan& m_plan;
  const BuildOptions& m_o;
  BuildStats& m_stats;
  std::chrono::steady_clock::time_point m_start;
};

bool Builder::Variants(const std::string& folder, VariantGroupVector& groups, std::string& error) {
  std::vector<VariantLink> links;
  if (!ReadUnihanLinks(m_o.unihanPath, m_o.unihanFields, links, m_stats.linksPerRelation, error))
    return false;
  if (!m_o.openccDir.empty()) {
    const size_t before = links.size();
    std::string source;
    if (!ReadJapaneseVariants(m_o.openccDir, links, source, error)) return false;
    m_stats.linksPerRelation["JPVariants"] = links.size() - before;
  }
  groups = GroupVariants(links);
  if (groups.size() > static_cast<size_t>(kMaxVariantGroups)) {
    error = "the variant table would have " + std::to_string(groups.size()) +
            " groups; the index has slots for " + std::to_string(kMaxVariantGroups);
    return false;
  }
  m_stats.groups = groups.size();
  m_stats.groupSizes = GroupSizeDistribution(groups);
  Progress("variant groups: " + GroupedNumber(groups.size()));
  return WriteTextFile(folder + "/yitizi.txt", FormatVariantTable(groups), error);
}

bool Builder::Books(const std::string& folder, const VariantGroupVector& groups, std::string& error) {
  CorpusContext ctx;
  ctx.folder = m_o.corpusDir;
  if (!m_o.openccDir.empty()) {
    std::string why;
    if (!MakeTraditionalConverter(m_o.openccDir, ctx.toTraditional, why))
      Progress("note: " + why);
  }
  BookWriter pages;
  if (const Status created = pages.Create(folder, "Index", m_o.nameWidth); !created) {
    error = created.Message();
    return false;
  }
  CollectionIndexer indexer(groups);
  CatalogueBuilder catalogue;
  int32_t record = 0;
  for (size_t d = 0; d < m_plan.size(); ++d) {
    catalogue.BeginDivision(m_plan[d].title);
    for (size_t b = 0; b < m_plan[d].books.size(); ++b) {
      const BookPlan& plan = m_plan[d].books[b];
      Book book;
      book.title = plan.title;
      if (!plan.read(ctx, book, error)) return false;
      catalogue.BeginBook(book.title);
      const int32_t firstRecord = record;
      size_t volumes = 0;
      for (size_t v = 0; v < book.volumes.size(); ++v) {
        const Volume& volume = book.volumes[v];
        const std::vector<std::string> cells = LayoutVolume(volume, m_o.layout);
        if (cells.size() > static_cast<size_t>(kMaxPagesPerVolume)) {
          error = book.title + " " + volume.title + " would have " + std::to_string(cells.size()) +
                  " pages; a volume holds at most " + std::to_string(kMaxPagesPerVolume);
          return false;
        }
        if (cells.empty()) continue;  // a volume without text gets no entry
        const int32_t volumeStart = record;
        for (size_t p = 0; p < cells.size(); ++p) {
          const int number = static_cast<int>(p) + 1;
          const std::string page = PageDocument(book.title, volume.title, number, cells[p]);
          if (const Status added = pages.AddPage(PageRecordName(d + 1, b + 1, v + 1, number), page);
              !added) {
            error = added.Message();
            return false;
          }
          if (!indexer.AddPage(static_cast<uint32_t>(record), number, page, error)) return false;
          ++record;
        }
        catalogue.AddVolume(volume.title, volumeStart, record - volumeStart);
        ++volumes;
      }
      catalogue.EndBook();
      if (volumes) {
        ++m_stats.books;
        m_stats.volumes += volumes;
      }
      Progress(m_plan[d].title + " " + book.title + ": " + GroupedNumber(volumes) + " volumes, " +
               GroupedNumber(static_cast<uint64_t>(record - firstRecord)) + " pages");
    }
    catalogue.EndDivision();
  }
  for (const auto& e : catalogue.Entries()) m_stats.divisions += e.level == 1;
  if (record == 0) {
    error = "the corpus gave no page of text";
    return false;
  }
  if (const Status finished = pages.Finish(); !finished) {
    error = finished.Message();
    return false;
  }
  m_stats.records = record;
  Progress("book files written: " + GroupedNumber(static_cast<uint64_t>(record)) + " pages");
  if (!catalogue.Write(folder + "/vok.dir", error)) return false;
  m_stats.catalogueEntries = catalogue.Entries().size();
  for (int i = 0; i < 3; ++i) m_stats.indexed[i] = indexer.IndexedCharacters(i);
  if (!indexer.Write(folder, error)) return false;
  Progress("index files written");
  return true;
}

bool Builder::MoveIntoPlace(const std::string& staging, std::string& error) {
  for (const std::string& name : CollectionFileNames()) {
    const std::string from = staging + "/" + name, to = m_o.outDir + "/" + name;
    if (std::rename(from.c_str(), to.c_str()) != 0) {
      error = "cannot move " + name + " into " + m_o.outDir + ": " + std::strerror(errno);
      return false;
    }
    struct stat st;
    const uint64_t size = stat(to.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    m_stats.files.emplace_back(name, size);
    m_stats.totalBytes += size;
  }
  return true;
}

bool Builder::Run(std::string& error) {
  if (!IsDirectory(m_o.corpusDir)) {
    error = "the corpus folder " + m_o.corpusDir + " does not exist or is no folder";
    return false;
  }
  std::error_code ec;
  fs::create_directories(m_o.outDir, ec);
  if (!IsDirectory(m_o.outDir)) {
    error = "cannot create the output folder " + m_o.outDir +
            (ec ? ": " + ec.message() : std::string());
    return false;
  }
  StagingFolder staging;
  if (!staging.Create(m_o.outDir, error)) return false;
  VariantGroupVector groups;
  if (!Variants(staging.Path(), groups, error) || !Books(staging.Path(), groups, error))
    return false;
  // The companions are made from the index files just written; they bind
  // themselves to those files' sizes and times, which the renames keep.
  if (!WriteCompanions(staging.Path(), m_stats, error, [this](const std::string& line) { Progress(line); }) ||
      !MoveIntoPlace(staging.Path(), error))
    return false;
  m_stats.seconds = Elapsed();
  return true;
}

}  // namespace

const std::vector<std::string>& CollectionFileNames() {
  static const std::vector<std::string> kNames = [] {
    std::vector<std::string> names = {
        "Index-fl.cnt",        "Index-fl.h",          "Index-idx.m",      "Index-idx.h",
        "Index_content-idx.m", "Index_content-idx.h", "Index_desc-idx.m", "Index_desc-idx.h",
        "yitizi.txt",          "vok.dir"};
    for (const std::string& name : CompanionFileNames()) names.push_back(name);
    return names;
  }();
  return kNames;
}

const std::vector<std::string>& CompanionFileNames() {
  static const std::vector<std::string> kNames = {
      std::string("Index") + kCompanionSuffix, std::string("Index_content") + kCompanionSuffix,
      std::string("Index_desc") + kCompanionSuffix};
  return kNames;
}

bool WriteCompanions(const std::string& folder, BuildStats& stats, std::string& error,
                     const std::function<void(const std::string&)>& progress) {
  for (const char* name : CollectionIndexer::kNames) {
    CompanionFigures f;
    if (const Status written = WriteCompanion(folder + "/" + name, &f); !written) {
      error = "the companion of " + std::string(name) + ": " + written.Message();
      return false;
    }
    stats.companionBytes += f.bytes;
    stats.indexBytes += f.indexBytes;
    stats.companionSeconds += f.seconds;
    if (progress) {
      char line[256];
      std::snprintf(line, sizeof line,
                    "companion of %s: %s slots (%u as bitmaps, %u read from the index files), %s "
                    "bytes, %.0f%% of the index files, %.1f s",
                    name, GroupedNumber(f.slots).c_str(), f.bitmapSlots, f.withoutRecord,
                    GroupedNumber(f.bytes).c_str(),
                    f.indexBytes ? 100.0 * static_cast<double>(f.bytes) / static_cast<double>(f.indexBytes) : 0.0,
                    f.seconds);
      progress(line);
    }
  }
  return true;
}

std::string GroupedNumber(uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string PageRecordName(size_t d, size_t b, size_t v, int p) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "d%zu\\b%02zu\\v%04zu\\%04d.htm", d, b, v, p);
  return buf;
}

bool BuildCollection(const CollectionPlan& plan, const BuildOptions& options, BuildStats& stats,
                     std::string& error) {
  stats = BuildStats{};
  Builder builder(plan, options, stats);
  return builder.Run(error);
}

}  // namespace tevarin
