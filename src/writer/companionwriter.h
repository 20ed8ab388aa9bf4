// WriteCompanion: writes an index's companion postings file (format in
// index/companionformat.h) from the index's header and postings files alone,
// so that it serves a collection built by any builder.
//
// Every slot is decoded as the search decodes it (SlotEntries::Decode); a
// sound stream gets a record, any other none (the search then reads that
// slot from the index files, as before), and so does one whose decoded
// entries would take more than kCompanionMaxSlotBytes. The file is written under a
// temporary name beside the index and renamed into place when complete, so a
// failed or interrupted write leaves the old companion (or none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/status.h"

namespace tevarin {

struct CompanionFigures {
  uint32_t slots = 0;        // slots with a record
  uint32_t withoutRecord = 0;  // slots with postings whose stream is not sound
  uint32_t bitmapSlots = 0;  // records whose pages are a bitmap
  uint64_t entries = 0;
  uint64_t positions = 0;
  uint64_t bytes = 0;  // of the companion file
  uint64_t indexBytes = 0;  // of the index's header and postings files
  double seconds = 0;
};

// Writes indexName + kCompanionSuffix for indexName + "-idx.h" and "-idx.m"
// (indexName is a path without the suffixes).
Status WriteCompanion(const std::string& indexName, CompanionFigures* figures = nullptr);

}  // namespace tevarin
