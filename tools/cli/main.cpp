// tevarin-cli: the engine without a window.
//   tevarin-cli [--data DIR] COMMAND [ARGS...]
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/collectionlocator.h"
#include "cli.h"
#include "text/codeconverter.h"
#include "index/index.h"

namespace tevarin {

namespace {

struct Command {
  const char* usage;
  CommandFn fn;
};

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> registry;
  return registry;
}

std::string ExecutableFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void PrintCommands() {
  std::fprintf(stderr, "usage: tevarin-cli [--data DIR] COMMAND [ARGS...]\ncommands:\n");
  for (const auto& [name, cmd] : Registry()) std::fprintf(stderr, "  %s\n", cmd.usage);
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFn fn) {
  Registry()[name] = Command{usage, fn};
}

int UsageError(const char* usage, const std::string& why) {
  if (!why.empty()) std::fprintf(stderr, "tevarin-cli: %s\n", why.c_str());
  std::fprintf(stderr, "usage: tevarin-cli [--data DIR] %s\n", usage);
  return kExitUsage;
}

bool OpenEngine(const CliContext& ctx, CIndex& index, IndexPart part) {
  const Status opened = index.Open(ctx.dataDir, "Index", part);
  if (opened) return true;
  std::fprintf(stderr, "%s\n%s\n", kOpenFailedMessage, opened.Message().c_str());
  return false;
}

bool ParseInt(const std::string& s, long long& value) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(s.c_str(), &end, 10);
  return errno == 0 && end && *end == '\0';
}

bool Utf8ToUtf16(std::string_view in, std::u16string& out) {
  out.clear();
  size_t i = 0;
  while (i < in.size()) {
    const unsigned char b0 = static_cast<unsigned char>(in[i]);
    uint32_t cp;
    size_t len;
    if (b0 < 0x80) { cp = b0; len = 1; }
    else if ((b0 & 0xE0) == 0xC0) { cp = b0 & 0x1F; len = 2; }
    else if ((b0 & 0xF0) == 0xE0) { cp = b0 & 0x0F; len = 3; }
    else if ((b0 & 0xF8) == 0xF0) { cp = b0 & 0x07; len = 4; }
    else return false;
    if (i + len > in.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const unsigned char b = static_cast<unsigned char>(in[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return true;
}

std::string Utf16ToUtf8(std::u16string_view in) {
  std::string out;
  ConvertUtf16ToUtf8(in, out, true);
  return out;
}

}  // namespace tevarin

using namespace tevarin;

int main(int argc, char** argv) {
  CliContext ctx;
  std::string dataOption;
  int i = 1;
  while (i < argc && std::strncmp(argv[i], "--", 2) == 0) {
    if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
      dataOption = argv[i + 1];
      i += 2;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      PrintCommands();
      return kExitOk;
    } else {
      std::fprintf(stderr, "tevarin-cli: unknown option %s\n", argv[i]);
      PrintCommands();
      return kExitUsage;
    }
  }
  if (i >= argc) {
    PrintCommands();
    return kExitUsage;
  }
  const auto it = Registry().find(argv[i]);
  if (it == Registry().end()) {
    std::fprintf(stderr, "tevarin-cli: unknown command %s\n", argv[i]);
    PrintCommands();
    return kExitUsage;
  }
  // --data DIR, $TEVARIN_DATA, the executable's folder, then the XDG data folders.
  const CollectionPlaces places = CollectionPlaces::FromEnvironment(dataOption, ExecutableFolder());
  const CollectionLocation location = LocateCollection(places);
  ctx.dataDir = location.folder;
  std::vector<std::string> args(argv + i + 1, argv + argc);
  const int code = it->second.fn(ctx, args);
  // A command that could not read the data, with no collection anywhere:
  // where it was looked for and how to build one, after the command's message.
  if (code == kExitDataError && !location.found)
    std::fprintf(stderr, "tevarin-cli: %s\n", MissingCollectionHint(location, UserCollectionFolder(places)).c_str());
  return code;
}
