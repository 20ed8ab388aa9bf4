// Small helpers shared by the engine tests: a temporary folder, file I/O and
// Status assertions.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "base/status.h"

namespace tevarin {

// A Status as an assertion: ASSERT_TRUE(IsOk(x.Open(...))) shows the
// Status's message when it fails.
inline ::testing::AssertionResult IsOk(const Status& s) {
  if (s) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << s.Message();
}

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tevarin-test-XXXXXX").string();
    char* p = mkdtemp(tmpl.data());
    m_path = p ? p : "";
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tevarin
