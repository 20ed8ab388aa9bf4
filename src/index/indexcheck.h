// The checks of the index files (format in index/indexformat.h) and of the
// variant table (index/variantformat.h). They read the files through the
// engine's own readers (PostingsFile, VariantTable) and then check what the
// readers take on trust:
//   each index   no more block chain entries than the postings file has blocks;
//                every slot with postings is a character's or a variant group's
//                slot (slots of characters this version does not index,
//                which an older builder filled, are reported once, with the
//                advice to build the collection again); its chain stays
//                inside the postings file and the block chain, visits no
//                block twice and reaches the slot's last page;
//                page entries ascend, name records of the page table and hold
//                ascending positions that fill their byte count exactly; a group
//                slot holds its members' postings;
//   variants     at most as many groups as there are group slots, no member 0,
//                every member a character;
//   companion    see CheckCompanion.
// The work is linear in the size of the files: one decode of every postings
// stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/checkreport.h"
#include "base/status.h"
#include "index/indexformat.h"

namespace tevarin {

class PostingsFile;
class VariantTable;

// Loads folder/yitizi.txt into variants and checks it into the part
// "variant table" of report.
Status CheckVariantTable(const std::string& folder, VariantTable& variants, CheckReport& report);

// Opens the index of part (folder/<baseName>[_content|_desc]-idx.{h,m}) and
// checks it into the part "index <name>" of report: its pages against a page
// table of recordCount records, its group slots against variants.
Status CheckIndexFiles(const std::string& folder, const std::string& baseName, IndexPart part,
                       int32_t recordCount, const VariantTable& variants, CheckReport& report);

// The same on an index already open; headerSize is the size of its header
// file (-1 when unknown).
Status CheckPostings(const PostingsFile& file, const std::string& indexName, int64_t headerSize,
                     int32_t recordCount, const VariantTable& variants, CheckReport& report);

// Checks the companion postings file of an open index (indexPath is the
// index's path without the suffixes) fully into the part "companion <name>"
// of report: its header and its binding to the index files (the whole
// postings file's checksum included), the slot table, every record,
// directory, block and chunk of positions against its checksum, and every
// slot's postings against the index's own: a sound stream must have a record
// holding exactly its entries and positions, any other slot none. A missing
// companion is no problem (a summary line says so).
Status CheckCompanion(const PostingsFile& file, const std::string& indexPath,
                      const std::string& indexName, CheckReport& report);

// Reads every slot's stream to its last page entry as the search reads it,
// so that every stream cut short is noted on the file; answers the number
// of streams noted (PostingsFile::CutShortStreams).
size_t SweepCutShortStreams(const PostingsFile& file);

}  // namespace tevarin
