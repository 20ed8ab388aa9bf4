#include "bandwidth.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "comparetools.h"

Bandwidth MeasureBandwidth() {
  constexpr size_t kBytes = size_t(256) << 20;
  std::vector<uint64_t> a(kBytes / 8), b(kBytes / 8);
  std::memset(a.data(), 1, kBytes);  // touch every page before timing
  std::memset(b.data(), 2, kBytes);
  Bandwidth out;
  volatile uint64_t sink = 0;
  for (int pass = 0; pass < 5; ++pass) {
    double t = NowSeconds();
    uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const uint64_t* p = a.data();
    for (size_t i = 0; i < a.size(); i += 4) {
      s0 += p[i];
      s1 += p[i + 1];
      s2 += p[i + 2];
      s3 += p[i + 3];
    }
    sink = sink + s0 + s1 + s2 + s3;
    double dt = NowSeconds() - t;
    if (dt > 0 && kBytes / dt / 1e9 > out.readGBs) out.readGBs = kBytes / dt / 1e9;
    t = NowSeconds();
    std::memcpy(b.data(), a.data(), kBytes);
    sink = sink + b[pass * 4096];
    dt = NowSeconds() - t;
    if (dt > 0 && kBytes / dt / 1e9 > out.copyGBs) out.copyGBs = kBytes / dt / 1e9;
  }
  return out;
}
