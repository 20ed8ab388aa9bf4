#include "catalogueplan.h"

#include "utf8.h"
#include "writer/cataloguewriter.h"

namespace tevarin {

namespace {

// UTF-8 to UTF-16 for titles (invalid bytes become U+FFFD).
std::u16string ToUtf16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    size_t n;
    const bool ok = DecodeUtf8Char(s, i, cp, n);
    if (!ok) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return out;
}

}  // namespace

CollectionPlan StandardPlan() {
  return {
      {"經部",
       {
           {"詩經", books::ShiJing},
           {"論語", books::LunYu},
           {"大學", books::DaXue},
           {"中庸", books::ZhongYong},
           {"孟子", books::MengZi},
       }},
      {"子部",
       {
           {"三字經", books::SanZiJing},
           {"百家姓", books::BaiJiaXing},
           {"千字文", books::QianZiWen},
           {"弟子規", books::DiZiGui},
           {"朱子家訓", books::ZhuZiJiaXun},
           {"增廣賢文", books::ZengGuangXianWen},
           {"幼學瓊林", books::YouXueQiongLin},
           {"聲律啓蒙", books::ShengLvQiMeng},
           {"文字蒙求", books::WenZiMengQiu},
           {"幽夢影", books::YouMengYing},
       }},
      {"集部",
       {
           {"楚辭", books::ChuCi},
           {"曹操詩集", books::CaoCao},
           {"御定全唐詩", books::QuanTangShi},
           {"花間集", books::HuaJianJi},
           {"南唐二主詞", books::NanTang},
           {"全宋詩", books::QuanSongShi},
           {"全宋詞", books::QuanSongCi},
           {"元曲", books::YuanQu},
           {"納蘭性德詩集", books::NaLan},
           {"古文觀止", books::GuWenGuanZhi},
           {"千家詩", books::QianJiaShi},
           {"唐詩三百首", books::TangShiSanBaiShou},
           {"水墨唐詩", books::ShuiMoTangShi},
       }},
  };
}

void CatalogueBuilder::BeginDivision(const std::string& title) {
  m_division = m_entries.size();
  m_book = SIZE_MAX;
  m_entries.push_back({title, 1, 0, 0, 0});
}

void CatalogueBuilder::BeginBook(const std::string& title) {
  m_book = m_entries.size();
  m_entries.push_back({title, 2, 0, 0, 0});
}

void CatalogueBuilder::AddVolume(const std::string& title, int32_t firstRecord, int32_t pageCount) {
  if (pageCount <= 0) return;
  m_entries.push_back({title, 3, firstRecord + 1, pageCount, 1});
  for (size_t open : {m_division, m_book}) {
    if (open == SIZE_MAX) continue;
    Entry& e = m_entries[open];
    if (e.docNo == 0) {
      e.docID = firstRecord + 1;
      e.curFileName = 1;
    }
    e.docNo += pageCount;
  }
}

void CatalogueBuilder::Close(size_t& open) {
  // An entry without pages has nothing below it and is the last entry.
  if (open != SIZE_MAX && m_entries[open].docNo == 0 && open + 1 == m_entries.size())
    m_entries.pop_back();
  open = SIZE_MAX;
}

void CatalogueBuilder::EndBook() { Close(m_book); }

void CatalogueBuilder::EndDivision() {
  Close(m_book);
  Close(m_division);
}

bool CatalogueBuilder::Write(const std::string& path, std::string& error) const {
  if (m_entries.size() > kMaxEntries) {
    error = "the catalogue would have " + std::to_string(m_entries.size()) +
            " entries; the reader holds at most " + std::to_string(kMaxEntries);
    return false;
  }
  CatalogueWriter writer;
  for (const Entry& e : m_entries) {
    const std::u16string name = ToUtf16(e.title);
    if (name.size() > kMaxTitleUnits || !writer.Add(name, e.level, e.docID, e.docNo, e.curFileName)) {
      error = "catalogue title longer than 99 UTF-16 units: " + e.title;
      return false;
    }
  }
  if (!writer.Write(path)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tevarin
