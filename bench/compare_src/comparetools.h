// Small helpers shared by the comparison programs: clocks, resource use,
// UTF-8 and whole-file reading and writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

double NowSeconds();                // monotonic clock
long MaxRssKb();                    // peak resident size of this process
long ChildrenMaxRssKb();            // peak resident size of any waited-for child

// Appends the code points of UTF-8 text; a malformed byte becomes U+FFFD.
void DecodeUtf8(std::string_view text, std::vector<uint32_t>& out);
void AppendUtf8(uint32_t cp, std::string& out);
std::string EncodeUtf8(const std::vector<uint32_t>& cps);

bool ReadWholeFile(const std::string& path, std::string& out, std::string& error);
bool WriteWholeFile(const std::string& path, std::string_view data, std::string& error);
int64_t PathSize(const std::string& path);  // a file, or a folder's files added up; -1 if missing

std::vector<std::string> SplitString(std::string_view s, char sep);

// A read-only mapping of a whole file.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();
  bool Open(const std::string& path, std::string& error);
  std::string_view View() const { return {m_data, m_size}; }

 private:
  const char* m_data = nullptr;
  size_t m_size = 0;
};
