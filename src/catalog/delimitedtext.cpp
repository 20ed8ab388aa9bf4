#include "catalog/delimitedtext.h"

#include "text/codeconverter.h"

namespace tevarin {

bool ParseDelimitedFormat(std::string_view name, DelimitedFormat& out) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "tsv") {
    out = DelimitedFormat::Tsv;
    return true;
  }
  if (lower == "csv") {
    out = DelimitedFormat::Csv;
    return true;
  }
  return false;
}

std::string DelimitedField(std::string_view utf8, DelimitedFormat format) {
  std::string out;
  if (format == DelimitedFormat::Csv) {
    if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(utf8);
    out.reserve(utf8.size() + 2);
    out.push_back('"');
    for (char c : utf8) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
    return out;
  }
  out.reserve(utf8.size());
  for (char c : utf8) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

void DelimitedWriter::WriteLine(const std::vector<std::string>& fields) {
  const char sep = format_ == DelimitedFormat::Csv ? ',' : '\t';
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line.push_back(sep);
    line += DelimitedField(fields[i], format_);
  }
  line.push_back('\n');
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void DelimitedWriter::Header(const std::vector<std::string>& columns) {
  columns_ = columns.size();
  WriteLine(columns);
}

void DelimitedWriter::Header(std::initializer_list<std::string_view> columns) {
  std::vector<std::string> v;
  v.reserve(columns.size());
  for (auto c : columns) v.emplace_back(c);
  Header(v);
}

bool DelimitedWriter::Row(const std::vector<std::string>& fields) {
  if (fields.size() != columns_) return false;
  WriteLine(fields);
  return true;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (IsHighSurrogate(cp) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      cp = CombineSurrogates(cp, text[i + 1]);
      ++i;
    } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace tevarin
