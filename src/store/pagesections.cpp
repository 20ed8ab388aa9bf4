#include "store/pagesections.h"

namespace tevarin {

namespace {

// Runs the shared tag scanner: text bytes go to onText, complete tags (from
// "<" to ">") to onTag. A tag still open at the end of the input is dropped.
template <typename OnText, typename OnTag>
void ScanTags(std::string_view in, OnText onText, OnTag onTag) {
  size_t i = 0;
  const size_t n = in.size();
  while (i < n) {
    const size_t lt = in.find('<', i);
    const size_t textEnd = lt == std::string_view::npos ? n : lt;
    if (textEnd > i) onText(in.substr(i, textEnd - i));
    if (lt == std::string_view::npos) return;
    const size_t gt = in.find('>', lt + 1);
    if (gt == std::string_view::npos) return;  // unfinished tag: dropped
    onTag(in.substr(lt, gt - lt + 1));
    i = gt + 1;
  }
}

}  // namespace

std::vector<HTMLNode> ParsePage(std::string_view page) {
  std::vector<HTMLNode> nodes(3);
  int state = 0;  // 0 before title, 1 title, 2 before cell 1, 3 cell 1, 4 between, 5 cell 2, 6 after
  auto sink = [&]() -> std::string* {
    switch (state) {
      case 1: return &nodes[0].text;
      case 3: return &nodes[1].text;
      case 5: return &nodes[2].text;
      default: return nullptr;
    }
  };
  ScanTags(
      page,
      [&](std::string_view text) {
        if (std::string* s = sink()) s->append(text);
      },
      [&](std::string_view tag) {
        if (TagBeginsWith(tag, "<title") && state == 0) {
          state = 1;
        } else if (TagBeginsWith(tag, "<TD")) {
          if (state == 2) state = 3;
          else if (state == 4) state = 5;
        } else if (TagBeginsWith(tag, "</title>")) {
          state = 2;
        } else if (TagBeginsWith(tag, "</TD>")) {
          if (state == 3) state = 4;
          else if (state == 5) state = 6;
        } else if (std::string* s = sink()) {
          s->append(tag);
        }
      });
  return nodes;
}

std::vector<FilterItem> SplitNotes(std::string_view cell) {
  std::vector<FilterItem> items(1);
  items.back().text.reserve(cell.size());
  ScanTags(
      cell, [&](std::string_view text) { items.back().text.append(text); },
      [&](std::string_view tag) {
        if (TagBeginsWith(tag, kNoteOpen)) {
          items.push_back(FilterItem{{}, 1});
        } else if (items.back().kind == 1 && TagBeginsWith(tag, kNoteClose)) {
          items.push_back(FilterItem{{}, 0});
          items.back().text.reserve(1000);
        } else {
          items.back().text.append(tag);
        }
      });
  return items;
}

}  // namespace tevarin
