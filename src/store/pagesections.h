// Cutting a stored page into its sections and a text cell into body and note
// runs. Both are byte-level scanners over UTF-8 HTML that look at tags only by
// their leading bytes; they build no document tree and decode no entities.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tevarin {

// One page section: its characters and inner tags, without its own tags.
struct HTMLNode {
  std::string text;
  int kind = 2;
};

// One run of a text cell: body text (0) or note text (1), without the note markers.
struct FilterItem {
  std::string text;
  int kind = 0;
};

inline constexpr std::string_view kNoteOpen = "<font size=-1 color=\"#993366\">";
inline constexpr std::string_view kNoteClose = "</font>";

// Always three nodes: [0] the title, [1] the first text cell, [2] the second.
std::vector<HTMLNode> ParsePage(std::string_view page);

// One or more items, starting with a body item.
std::vector<FilterItem> SplitNotes(std::string_view cell);

// Whether a complete tag "begins with" a marker: the marker's first
// occurrence in the tag is at the tag's first byte.
inline bool TagBeginsWith(std::string_view tag, std::string_view marker) {
  return tag.find(marker) == 0;
}

}  // namespace tevarin
