// Where the benchmarks find the collection they measure: $TEVARIN_DATA, else
// the benchmark's own folder or build/bin when it holds a collection.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tevarin::bench {

inline bool HasCollection(const std::string& dir) {
  std::error_code ec;
  for (const char* name : {"Index-fl.h", "Index-idx.h", "Index-idx.m", "vok.dir"})
    if (dir.empty() || !std::filesystem::exists(dir + "/" + name, ec)) return false;
  return true;
}

inline std::string ExecutableFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

inline std::string DataFolder() {
  if (const char* env = std::getenv("TEVARIN_DATA"); env && *env) return env;
  for (const std::string& dir : {ExecutableFolder(), std::string("build/bin")})
    if (HasCollection(dir)) return dir;
  return ExecutableFolder();
}

}  // namespace tevarin::bench
