// The machine's memory bandwidth, measured in the same run as the queries:
// a sequential read (summing 64-bit words) and memcpy over buffers far larger
// than the caches, best of several passes.
#pragma once

struct Bandwidth {
  double readGBs = 0;  // bytes read per second, 1e9
  double copyGBs = 0;  // bytes copied per second (each read once and written once)
};

Bandwidth MeasureBandwidth();
