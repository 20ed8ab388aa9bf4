// Shared parts of tevarin-cli: the command registry, the data folder and a few
// text helpers. Each command lives in its own cmd_<name>.cpp and registers
// itself with a static CommandRegistrar.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tevarin {

class CIndex;
enum class IndexPart : int;

struct CliContext {
  std::string dataDir;  // --data DIR, default: the executable's folder
};

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDataError = 1;
inline constexpr int kExitUsage = 2;

inline constexpr const char* kOpenFailedMessage = "データを開けませんでした。";
// A keyword string the search does not accept (CIndex::AcceptsKeywords).
inline constexpr const char* kRejectedKeywordsMessage =
    "tevarin-cli: the keyword string was rejected: it is empty or holds a character from U+0001 "
    "to U+00FF other than space, \"*\" and \"?\"";

using CommandFn = int (*)(const CliContext& ctx, const std::vector<std::string>& args);

struct CommandRegistrar {
  CommandRegistrar(const char* name, const char* usage, CommandFn fn);
};

// Prints "usage: tevarin-cli [--data DIR] <usage>" to standard error; returns kExitUsage.
int UsageError(const char* usage, const std::string& why = {});

// Opens the engine on ctx.dataDir with the given index part; on failure prints
// the open-failed message and the reason to standard error and returns false.
bool OpenEngine(const CliContext& ctx, CIndex& index, IndexPart part);

// Strict UTF-8 to UTF-16 for command-line arguments; false on malformed input.
bool Utf8ToUtf16(std::string_view in, std::u16string& out);
std::string Utf16ToUtf8(std::u16string_view in);

// Parses a whole decimal argument into an int; false when it is not one.
bool ParseInt(const std::string& s, long long& value);

}  // namespace tevarin
