// tevarin-cli verify: checks every data file of the collection and lists what
// is wrong. Exit 0 when the collection is sound, 1 with the list of problems.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "catalog/collectioncheck.h"

namespace tevarin {

namespace {

constexpr const char* kUsage = "verify";

int RunVerify(const CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kUsage, "verify takes no arguments");
  CollectionVerifier verifier(ctx.dataDir);
  const bool sound = verifier.Verify().IsOk();
  for (const std::string& line : verifier.Summary()) std::printf("%s\n", line.c_str());
  if (sound) {
    std::printf("the collection in %s is sound\n", ctx.dataDir.c_str());
    return kExitOk;
  }
  std::printf("%zu problems in %s:\n", verifier.ProblemCount(), ctx.dataDir.c_str());
  for (const std::string& line : verifier.Problems()) std::printf("  %s\n", line.c_str());
  return kExitDataError;
}

CommandRegistrar reg("verify", kUsage, &RunVerify);

}  // namespace

}  // namespace tevarin
