// Reading the builder's plain input files: whole text files, plain or
// bzip2-compressed (Debian ships the Unihan data as .txt.bz2).
#pragma once

#include <string>

// Reads the whole file; a file that starts with the bzip2 signature "BZh" is
// decompressed. False with a reason naming the file.
bool ReadInputFile(const std::string& path, std::string& out, std::string& error);
