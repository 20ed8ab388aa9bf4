// The corpus as the collection sees it, and reading it from the JSON files of
// the chinese-poetry package.
//
// A book is read into volumes; a volume is a sequence of text blocks in
// reading order: headings (a poem's or chapter's title), bylines (the author),
// lines (a line of verse or a paragraph of prose) and notes (biographies,
// prefaces' abstracts, the corpus's own notes and comments). The page layout
// turns the blocks into pages; nothing here knows about HTML.
//
// Every reader checks the shape of what it reads: a file that is missing, is
// not valid JSON, or holds something else than the book's expected structure
// stops the read with a message that names the file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tevarin {

enum class BlockKind { Heading, Byline, Line, Note };

struct Block {
  BlockKind kind = BlockKind::Line;
  std::string text;  // UTF-8, unescaped
};

struct Volume {
  std::string title;  // e.g. 卷一, 學而第一
  std::vector<Block> blocks;
};

struct Book {
  std::string title;
  std::vector<Volume> volumes;
};

// Converts the titles the corpus writes in simplified characters into the
// traditional forms a reader of the catalogue expects. The identity when no
// converter is available.
using TitleConverter = std::function<std::string(std::string_view)>;

// What a book reader gets: the corpus folder (the package's dist/ folder) and
// the title converter.
struct CorpusContext {
  std::string folder;
  TitleConverter toTraditional;

  std::string Path(std::string_view relative) const { return folder + "/" + std::string(relative); }
  std::string Traditional(std::string_view s) const {
    return toTraditional ? toTraditional(s) : std::string(s);
  }
};

// Reads one book; false with a message naming the file on bad input.
using BookReader = bool (*)(const CorpusContext&, Book&, std::string& error);

// The files of a folder whose names are prefix + number + ".json", in
// ascending numeric order (ci.song.2000.json before ci.song.10000.json).
// False when the folder cannot be read or holds no such file.
bool NumberedFiles(const std::string& folder, std::string_view prefix,
                   std::vector<std::string>& names, std::string& error);

// The readers of the books of the standard corpus.
namespace books {
bool ShiJing(const CorpusContext&, Book&, std::string&);         // 詩經
bool LunYu(const CorpusContext&, Book&, std::string&);           // 論語
bool DaXue(const CorpusContext&, Book&, std::string&);           // 大學
bool ZhongYong(const CorpusContext&, Book&, std::string&);       // 中庸
bool MengZi(const CorpusContext&, Book&, std::string&);          // 孟子
bool YouMengYing(const CorpusContext&, Book&, std::string&);     // 幽夢影
bool SanZiJing(const CorpusContext&, Book&, std::string&);       // 三字經 (two versions)
bool BaiJiaXing(const CorpusContext&, Book&, std::string&);      // 百家姓
bool QianZiWen(const CorpusContext&, Book&, std::string&);       // 千字文
bool DiZiGui(const CorpusContext&, Book&, std::string&);         // 弟子規
bool ZhuZiJiaXun(const CorpusContext&, Book&, std::string&);     // 朱子家訓
bool ZengGuangXianWen(const CorpusContext&, Book&, std::string&);// 增廣賢文
bool YouXueQiongLin(const CorpusContext&, Book&, std::string&);  // 幼學瓊林
bool ShengLvQiMeng(const CorpusContext&, Book&, std::string&);   // 聲律啓蒙
bool WenZiMengQiu(const CorpusContext&, Book&, std::string&);    // 文字蒙求
bool ChuCi(const CorpusContext&, Book&, std::string&);           // 楚辭
bool CaoCao(const CorpusContext&, Book&, std::string&);          // 曹操詩集
bool QuanTangShi(const CorpusContext&, Book&, std::string&);     // 御定全唐詩
bool HuaJianJi(const CorpusContext&, Book&, std::string&);       // 花間集
bool NanTang(const CorpusContext&, Book&, std::string&);         // 南唐二主詞
bool QuanSongShi(const CorpusContext&, Book&, std::string&);     // 全宋詩
bool QuanSongCi(const CorpusContext&, Book&, std::string&);      // 全宋詞
bool YuanQu(const CorpusContext&, Book&, std::string&);          // 元曲
bool NaLan(const CorpusContext&, Book&, std::string&);           // 納蘭性德詩集
bool GuWenGuanZhi(const CorpusContext&, Book&, std::string&);    // 古文觀止
bool QianJiaShi(const CorpusContext&, Book&, std::string&);      // 千家詩
bool TangShiSanBaiShou(const CorpusContext&, Book&, std::string&);  // 唐詩三百首
bool ShuiMoTangShi(const CorpusContext&, Book&, std::string&);   // 水墨唐詩
}  // namespace books

// Chinese numerals for volume titles: 1 一, 10 十, 21 二十一, 105 一百五, 900 九百.
std::string ChineseNumber(int n);
// "卷" + ChineseNumber(n).
std::string JuanTitle(int n);

// Characters of a block's text (code points), for cutting volumes by size.
size_t CountCharacters(std::string_view utf8);

}  // namespace tevarin
