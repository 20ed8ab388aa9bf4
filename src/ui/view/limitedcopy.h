// The limit of the page view's copy: at most 600 bytes of the text's Japanese
// code page form (CP932), 300 double-byte characters. The bytes are counted
// with iconv. A character CP932 cannot hold (many traditional ideographs,
// those beyond the Basic Multilingual Plane) counts as two bytes, like the
// ideographs CP932 does hold, so the limit stays 300 characters whatever the
// characters are. The cut is made between characters, never inside a
// double-byte character or a surrogate pair.
#pragma once

#include <QString>

namespace tevarin {

inline constexpr int kCopyLimitBytes = 600;

// Bytes of one character (one code point) in CP932, as counted above.
int Cp932CharBytes(char32_t codePoint);
// Bytes of a text in CP932, as counted above.
int Cp932Length(const QString& text);
// The longest prefix of text, made of whole characters, whose CP932 length
// is at most limit bytes.
QString CutToCp932Bytes(const QString& text, int limit = kCopyLimitBytes);

}  // namespace tevarin
