// Tables written as delimited text, UTF-8, one record to a line ending in LF,
// the first line the column names.
//
// CSV: a field holding a comma, a double quote, CR or LF is put in double
// quotes and its quotes doubled; other fields are written as they are.
// TSV: fields are never quoted; a tab, CR, LF or backslash inside a field is
// escaped as \t, \r, \n or \\ so every record stays one line with the same
// number of columns.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tevarin {

enum class DelimitedFormat { Tsv, Csv };

// Parses "tsv" or "csv" (ASCII, any case). Returns false for anything else.
bool ParseDelimitedFormat(std::string_view name, DelimitedFormat& out);

// One field as the format writes it (quoted or escaped as needed).
std::string DelimitedField(std::string_view utf8, DelimitedFormat format);

// Writes records to a stream; every record must have as many fields as the
// header (Row returns false and writes nothing otherwise).
class DelimitedWriter {
 public:
  DelimitedWriter(std::ostream& out, DelimitedFormat format) : out_(out), format_(format) {}

  // Writes the header line; the column count of every later row.
  void Header(const std::vector<std::string>& columns);
  void Header(std::initializer_list<std::string_view> columns);

  // Writes one record of UTF-8 fields.
  bool Row(const std::vector<std::string>& fields);

  // Whether the stream took everything written so far.
  bool Good() const { return out_.good(); }

 private:
  void WriteLine(const std::vector<std::string>& fields);

  std::ostream& out_;
  DelimitedFormat format_;
  size_t columns_ = 0;
};

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace tevarin
