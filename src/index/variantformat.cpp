#include "index/variantformat.h"

#include <cstdio>

namespace tevarin {

namespace {

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

void VariantTableParser::Feed(const unsigned char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c == '\n') {
      EndLine();
    } else if (c == ',') {
      StartLine();
      EndField();
    } else {
      StartLine();
      ++m_fieldLength;
      Field(c);
    }
  }
}

void VariantTableParser::StartLine() {
  if (m_inLine) return;
  m_inLine = true;
  m_groups.NewGroup();
}

void VariantTableParser::EndField() {
  if (m_fieldLength > 0) m_groups.Add(static_cast<uint32_t>(m_value));
  m_fieldLength = 0;
  m_value = 0;
  m_state = State::kLead;
}

void VariantTableParser::EndLine() {
  if (m_inLine) EndField();
  m_inLine = false;
  m_fieldLength = 0;
  m_value = 0;
  m_state = State::kLead;
}

void VariantTableParser::Digit(int d) {
  m_value = m_value * 16 + static_cast<uint64_t>(d);
  if (m_value > UINT32_MAX) m_value = UINT32_MAX;
}

void VariantTableParser::Field(unsigned char c) {
  const int d = HexDigit(c);
  switch (m_state) {
    case State::kLead:
      if (IsSpace(c)) return;
      if (c == '0') {
        m_state = State::kZero;  // a digit 0, or the start of "0x"
      } else if (d >= 0) {
        Digit(d);
        m_state = State::kDigits;
      } else {
        m_state = State::kDone;
      }
      return;
    case State::kZero:
      if (c == 'x' || c == 'X') {
        m_state = State::kZeroX;
      } else if (d >= 0) {
        Digit(d);
        m_state = State::kDigits;
      } else {
        m_state = State::kDone;
      }
      return;
    case State::kZeroX:
      // "0x" is a prefix only before a hex digit; else the field read "0".
      if (d >= 0) {
        Digit(d);
        m_state = State::kDigits;
      } else {
        m_state = State::kDone;
      }
      return;
    case State::kDigits:
      if (d >= 0)
        Digit(d);
      else
        m_state = State::kDone;
      return;
    case State::kDone:
      return;
  }
}

void AppendVariantLine(std::string& out, std::span<const uint32_t> group) {
  char buf[16];
  for (size_t i = 0; i < group.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%X" : "%X", static_cast<unsigned>(group[i]));
    out += buf;
  }
  out += '\n';
}

}  // namespace tevarin
