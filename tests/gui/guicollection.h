// A small collection written by a test (book files, whole-text index,
// catalogue), for the tests of the form and of the frame on real data.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtTest>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "index/charslot.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

// A stored page: title and two cells, the text in the cell the parity picks.
inline std::string StoredPage(int pageNo, const QString& text) {
  const std::string t = text.toStdString();
  const std::string cell = "<TD>" + t + "</TD>", margin = "<TD>m</TD>";
  return "<html><title>p</title><table><tr>" + (pageNo % 2 ? margin + cell : cell + margin) +
         "</tr></table></html>";
}

// A book of the collection: its name and its volumes of pages (texts).
using BookOfVolumes = QPair<QString, QList<QStringList>>;
// A division: its name and its books.
using DivisionOfBooks = QPair<QString, QList<BookOfVolumes>>;

// Writes a collection into folder: the divisions with their books, and the
// whole-text index over the texts (with allParts, the same index also as the
// body-text and the notes index, so that every scope opens).
inline void WriteCollection(const QString& folder, const QList<DivisionOfBooks>& divisions, bool allParts = false) {
  const std::string dir = folder.toStdString();
  BookWriter book;
  QVERIFY(book.Create(dir, "Index", 40));
  IndexWriter index;
  std::map<int, std::map<uint32_t, std::vector<uint32_t>>> postings;
  CatalogueWriter cat;
  auto pagesOf = [](const QList<QStringList>& volumes) {
    int n = 0;
    for (const auto& v : volumes) n += static_cast<int>(v.size());
    return n;
  };
  uint32_t record = 0;
  for (int d = 0; d < divisions.size(); ++d) {
    const QList<BookOfVolumes>& books = divisions[d].second;
    int total = 0;
    for (const auto& b : books) total += pagesOf(b.second);
    QVERIFY(cat.Add(divisions[d].first.toStdU16String(), 1, static_cast<int>(record) + 1, total, 1));
    for (int b = 0; b < books.size(); ++b) {
      const QList<QStringList>& volumes = books[b].second;
      QVERIFY(cat.Add(books[b].first.toStdU16String(), 2, static_cast<int>(record) + 1, pagesOf(volumes), 1));
      for (int v = 0; v < volumes.size(); ++v) {
        QVERIFY(cat.Add(QStringLiteral("卷%1").arg(v + 1).toStdU16String(), 3, static_cast<int>(record) + 1,
                        static_cast<int>(volumes[v].size()), 1));
        for (int p = 0; p < volumes[v].size(); ++p, ++record) {
          const std::string name = "d" + std::to_string(d + 1) + "\\b0" + std::to_string(b + 1) + "\\v" +
                                   std::to_string(v + 1) + "\\" + std::to_string(p + 1) + ".htm";
          QVERIFY(book.AddPage(name, StoredPage(p + 1, volumes[v][p])));
          uint32_t pos = 0;
          for (char32_t cp : volumes[v][p].toStdU32String())
            if (CharToSlot(cp) >= 0) postings[CharToSlot(cp)][record].push_back(pos++);
        }
      }
    }
  }
  QVERIFY(book.Finish());
  for (const auto& [slot, recs] : postings)
    for (const auto& [rec, pos] : recs) QVERIFY(index.AddEntry(slot, rec, pos));
  QVERIFY(index.Write(dir + "/Index"));
  if (allParts) {
    QVERIFY(index.Write(dir + "/Index_content"));
    QVERIFY(index.Write(dir + "/Index_desc"));
  }
  QVERIFY(cat.Write(dir + "/vok.dir"));
}

inline void WriteCollection(const QString& folder, const QList<BookOfVolumes>& books) {
  WriteCollection(folder, QList<DivisionOfBooks>{{QStringLiteral("經部"), books}});
}

inline bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
  return done();
}


}  // namespace tevarin
