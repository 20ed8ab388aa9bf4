#include "ui/view/limitedcopy.h"

#include <iconv.h>

#include <cerrno>

namespace tevarin {

namespace {

// One conversion handle UTF-32 (host order) to CP932, reused for every
// character of a text.
class Cp932Converter {
 public:
  Cp932Converter() : m_cd(iconv_open("CP932", "UTF-32LE")) {}
  ~Cp932Converter() {
    if (Valid()) iconv_close(m_cd);
  }
  Cp932Converter(const Cp932Converter&) = delete;
  Cp932Converter& operator=(const Cp932Converter&) = delete;

  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // CP932 bytes of one code point; 0 when CP932 has no form for it.
  int Bytes(char32_t cp) {
    unsigned char in[4] = {static_cast<unsigned char>(cp), static_cast<unsigned char>(cp >> 8),
                           static_cast<unsigned char>(cp >> 16), static_cast<unsigned char>(cp >> 24)};
    char out[8];
    char* inp = reinterpret_cast<char*>(in);
    size_t inLeft = sizeof in;
    char* outp = out;
    size_t outLeft = sizeof out;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) return 0;
    return static_cast<int>(sizeof out - outLeft);
  }

 private:
  iconv_t m_cd;
};

int CharBytes(Cp932Converter& conv, char32_t cp) {
  if (cp < 0x80) return 1;
  const int n = conv.Valid() ? conv.Bytes(cp) : 0;
  // No CP932 form (or no converter): counted as a double-byte character.
  return n > 0 ? n : 2;
}

// Calls f(units, bytes) for each character of text in order, until f
// returns false. A lone surrogate counts as one character.
template <typename F>
void ForEachChar(const QString& text, F f) {
  Cp932Converter conv;
  for (qsizetype i = 0; i < text.size();) {
    char32_t cp = text[i].unicode();
    int units = 1;
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
      units = 2;
    }
    if (!f(units, CharBytes(conv, cp))) return;
    i += units;
  }
}

}  // namespace

int Cp932CharBytes(char32_t codePoint) {
  Cp932Converter conv;
  return CharBytes(conv, codePoint);
}

int Cp932Length(const QString& text) {
  int total = 0;
  ForEachChar(text, [&](int, int bytes) {
    total += bytes;
    return true;
  });
  return total;
}

QString CutToCp932Bytes(const QString& text, int limit) {
  int total = 0;
  qsizetype units = 0;
  ForEachChar(text, [&](int n, int bytes) {
    if (total + bytes > limit) return false;
    total += bytes;
    units += n;
    return true;
  });
  return text.left(units);
}

}  // namespace tevarin
