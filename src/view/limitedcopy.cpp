#include "view/limitedcopy.h"

#include <iconv.h>

#include <QByteArray>

namespace {

// Converts UTF-8 to CP932 one character at a time with one iconv handle.
class Cp932Counter {
 public:
  Cp932Counter() : m_cd(iconv_open("CP932", "UTF-8")) {}
  ~Cp932Counter() {
    if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
  }
  // Bytes of one character (given as UTF-8) in CP932; 1 when it cannot be held.
  int Bytes(const QByteArray& utf8) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) return utf8.size() == 1 ? 1 : 2;
    char out[16];
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* o = out;
    size_t outLeft = sizeof out;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) return 1;
    return static_cast<int>(sizeof out - outLeft);
  }

 private:
  iconv_t m_cd;
};

// Calls f(charText, bytes) for each character (surrogate pairs kept whole).
template <typename F>
void ForEachChar(const QString& text, F f) {
  Cp932Counter counter;
  for (int i = 0; i < text.size();) {
    const int units = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    const QString ch = text.mid(i, units);
    if (!f(units, counter.Bytes(ch.toUtf8()))) return;
    i += units;
  }
}

}  // namespace

int Cp932Length(const QString& text) {
  int total = 0;
  ForEachChar(text, [&](int, int bytes) {
    total += bytes;
    return true;
  });
  return total;
}

QString CutToCp932Bytes(const QString& text, int limit) {
  int total = 0, units = 0;
  ForEachChar(text, [&](int n, int bytes) {
    if (total + bytes > limit) return false;
    total += bytes;
    units += n;
    return true;
  });
  return text.left(units);
}
