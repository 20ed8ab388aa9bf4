// The limit of the page view's copy: at most 600 bytes of the text's Japanese
// code page form (CP932), which is 300 double-byte characters. Characters
// CP932 cannot hold count as the one-byte "?" the conversion puts in their
// place. The cut never splits a double-byte character.
#pragma once

#include <QString>

inline constexpr int kCopyLimitBytes = 600;

// Number of bytes of text in CP932.
int Cp932Length(const QString& text);
// The longest prefix of text (whole characters) whose CP932 form fits limit bytes.
QString CutToCp932Bytes(const QString& text, int limit = kCopyLimitBytes);
