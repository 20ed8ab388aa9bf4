#!/usr/bin/env python3
"""Checks that every text of the corpus reaches the collection as often as the
corpus holds it.

    scripts/check-corpus-texts.py [--corpus DIR] [--data DIR] [--book TITLE]...
                                  [--examples N]

For every book of the collection the script gathers the text strings of the
corpus files the builder reads for it (titles, lines, prologues, notes,
comments, abstracts, biographies of the authors files, ...), cut into lines
and trimmed as the builder cuts them, and counts how often each string stands
as a paragraph in the text cells of the book's pages (read straight from the
book files and the catalogue). A paragraph cut at a page end is put together
again. Where the counts differ the string is also counted as a substring of
the whole text on both sides, so a title joined with its subtitle or a note
joined from several fields is still found; a string is reported

  lost     when the pages hold it fewer times than the corpus, even with every
           page end taken as a cut, and
  doubled  when the pages hold it more times, with only the cuts found taken
           as cuts,

with its count in the corpus and on the pages. Catalogue titles (volume titles,
which appear in the page margins, converted), author names, sources and
metadata (ids, tags, pinyin, dynasties) are no texts here. A repetition is no
text either: a "rhythmic" field contained in the entry's title, and in an
authors file a text contained in an earlier text of the same name (a short
description repeating the description, a name entered twice with the same
text); "--" stands for a missing biography.

Defaults: --corpus is the corpus unpacked by scripts/build-collection.sh
(${XDG_CACHE_HOME:-~/.cache}/tevarin/chinese-poetry-2.0.1/package/dist),
--data is build/bin. Exit status 0 when every book is complete, 1 when a text
is lost or doubled, 2 on bad arguments or unreadable files.
"""

import argparse
import collections
import glob
import json
import os
import re
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CACHE = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
DEFAULT_CORPUS = os.path.join(CACHE, "tevarin", "chinese-poetry-2.0.1", "package", "dist")

# Keys whose strings are texts shown on the pages.
TEXT_KEYS = {
    "title", "rhythmic", "chapter", "subchapter", "paragraphs", "content", "para", "prologue",
    "biography", "notes", "comment", "abstract", "preface", "desc", "surname", "place",
}

# Book title -> (corpus files or patterns with the paths of catalogue titles in
# them, authors files with their text keys). A path names a string by its keys
# from the top, "[]" for the entries of a list.
BOOKS = [
    ("詩經", [("shijing/shijing.json", {"[].chapter", "[].section"})], []),
    ("論語", [("lunyu/lunyu.json", set())], []),
    ("大學", [("sishuwujing/daxue.json", set())], []),
    ("中庸", [("sishuwujing/zhongyong.json", set())], []),
    ("孟子", [("sishuwujing/mengzi.json", set())], []),
    ("三字經", [("mengxue/sanzijing-traditional.json", set()),
               ("mengxue/sanzijing-new.json", set())], []),
    ("百家姓", [("mengxue/baijiaxing.json", set())], []),
    ("千字文", [("mengxue/qianziwen.json", set())], []),
    ("弟子規", [("mengxue/dizigui.json", set())], []),
    ("朱子家訓", [("mengxue/zhuzijiaxun.json", set())], []),
    ("增廣賢文", [("mengxue/zengguangxianwen.json", {"content[].chapter"})], []),
    ("幼學瓊林", [("mengxue/youxueqionglin.json", {"content[].title"})], []),
    ("聲律啓蒙", [("mengxue/shenglvqimeng.json", {"content[].title"})], []),
    ("文字蒙求", [("mengxue/wenzimengqiu.json", {"content[].title"})], []),
    ("幽夢影", [("youmengying/youmengying.json", set())], []),
    ("楚辭", [("chuci/chuci.json", {"[].section"})], []),
    ("曹操詩集", [("caocaoshiji/caocao.json", set())], []),
    ("御定全唐詩", [("yudingquantangshi/json/*.json", set())], []),
    ("花間集", [("wudaishici/huajianji/huajianji-*.json", set())], []),
    ("南唐二主詞", [("wudaishici/nantang/intro.json", {"title"}),
                ("wudaishici/nantang/poetrys.json", set())],
     [("wudaishici/nantang/authors.json", ["desc"])]),
    ("全宋詩", [("quantangshi/poet.song.*.json", set())],
     [("quantangshi/authors.song.json", ["desc"])]),
    ("全宋詞", [("songci/ci.song.*.json", set())],
     [("songci/author.song.json", ["description", "short_description"])]),
    ("元曲", [("yuanqu/yuanqu.json", set())], []),
    ("納蘭性德詩集", [("nalanxingde/纳兰性德诗集.json", set())], []),
    ("古文觀止", [("mengxue/guwenguanzhi.json", {"content[].title"})], []),
    ("千家詩", [("mengxue/qianjiashi.json", {"content[].type"})], []),
    ("唐詩三百首", [("mengxue/tangshisanbaishou.json", {"content[].type"})], []),
    ("水墨唐詩", [("shuimotangshi/shuimotangshi.json", set())], []),
]

SEPARATOR = "\n"  # never inside a text: texts are cut into lines


def fail(message):
    print(f"check-corpus-texts: {message}", file=sys.stderr)
    sys.exit(2)


def lines_of(text):
    """A text as the builder sets it: one string per line, trimmed, none empty."""
    out = []
    for line in text.split("\n"):
        line = line.strip(" \t\r\n")
        if line:
            out.append(line)
    return out


def is_placeholder(text):
    return text.strip("-") == ""


def entry_texts(node, path, skip, out):
    """Appends the texts of a JSON value in document order."""
    if isinstance(node, dict):
        title = node.get("title") if isinstance(node.get("title"), str) else ""
        for key, value in node.items():
            sub = (path + "." if path else "") + key
            if key == "rhythmic" and isinstance(value, str) and value.strip() and \
                    value.strip() in title:
                continue  # repeats the title
            if key in TEXT_KEYS and sub not in skip:
                strings_of(value, sub, skip, out)
            elif isinstance(value, (dict, list)):
                entry_texts(value, sub, skip, out)
    elif isinstance(node, list):
        for value in node:
            entry_texts(value, path + "[]", skip, out)


def strings_of(value, path, skip, out):
    if isinstance(value, str):
        out.extend(lines_of(value))
    elif isinstance(value, list):
        for v in value:
            if isinstance(v, (dict, list)):
                entry_texts(v, path + "[]", skip, out)
            elif isinstance(v, str):
                out.extend(lines_of(v))
    elif isinstance(value, dict):
        entry_texts(value, path, skip, out)


def load_json(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as e:
        fail(f"cannot read {path}: {e}")


def corpus_texts(corpus, files, authors):
    texts = []
    for pattern, skip in files:
        paths = sorted(glob.glob(os.path.join(corpus, pattern)))
        if not paths:
            fail(f"no corpus file {pattern} in {corpus}")
        for path in paths:
            entry_texts(load_json(path), "", skip, texts)
    for name, keys in authors:
        kept = collections.defaultdict(list)  # name -> texts kept so far
        for entry in load_json(os.path.join(corpus, name)):
            who = (entry.get("name") or "").strip()
            if not who:
                continue
            for key in keys:
                text = (entry.get(key) or "").strip(" \t\r\n")
                if is_placeholder(text) or any(text in k for k in kept[who]):
                    continue
                kept[who].append(text)
                texts.extend(lines_of(text))
    return texts


class Collection:
    """The pages and the catalogue of a built collection."""

    def __init__(self, folder):
        self.folder = folder
        try:
            with open(os.path.join(folder, "Index-fl.h"), "rb") as f:
                header = f.read()
            with open(os.path.join(folder, "Index-fl.cnt"), "rb") as f:
                content = f.read()
            with open(os.path.join(folder, "vok.dir"), "rb") as f:
                catalogue = f.read()
        except OSError as e:
            fail(f"no collection in {folder}: {e}")
        self.content = content.translate(bytes(b ^ 0xA7 for b in range(256)))
        width = struct.unpack_from("<i", header, 4)[0]
        if not 1 <= width <= 260:
            fail(f"{folder}/Index-fl.h: bad name width {width}")
        size = width + 8
        self.records = []
        for off in range(268, len(header) - size + 1, size):
            end, length = struct.unpack_from("<ii", header, off + width)
            if length < 0 or end - length < 0 or end > len(self.content):
                fail(f"record {len(self.records)} out of range")
            self.records.append((end - length, end))
        self.books = {}
        for off in range(0, len(catalogue) - 215, 216):
            name = catalogue[off:off + 200].decode("utf-16-le", "replace").split("\0")[0]
            level, doc_id, doc_no = struct.unpack_from("<iii", catalogue, off + 200)
            if level == 2:
                self.books[name] = (doc_id - 1, doc_no)

    def page(self, record):
        begin, end = self.records[record]
        return self.content[begin:end].decode("utf-8", "replace")


CELL = re.compile(r'<TD class="text">(.*?)</TD>', re.S)
PARAGRAPH = re.compile(r"<(h4|p)>(.*?)</\1>", re.S)
TAG = re.compile(r"<[^>]*>")


def paragraphs_of(page):
    """The paragraphs of a page's text cell, unescaped; bylines left out."""
    cell = CELL.search(page)
    if not cell:
        return []
    out = []
    for _, inner in PARAGRAPH.findall(cell.group(1)):
        if inner.startswith('<span class="au">'):
            continue
        text = TAG.sub("", inner)
        out.append(text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&"))
    return out


def page_texts(collection, title, texts):
    """The book's paragraphs in page order, with every paragraph that a page end
    cut put together again, and the text with every page end joined.

    A page end cuts a paragraph when the last paragraph of the page, the first
    of the next and any whole pages of one paragraph between them join into a
    text of the corpus; any other page end separates two paragraphs."""
    if title not in collection.books:
        return None
    first, count = collection.books[title]
    stream = []       # paragraphs, cut ones put together
    open_starts = []  # indices in stream where a paragraph open at the page end may start
    generous = []
    for record in range(first, first + count):
        paras = paragraphs_of(collection.page(record))
        generous.append(SEPARATOR.join(paras))
        if not paras:
            open_starts = []
            continue
        closed_at = None
        for start in open_starts:
            joined = "".join(stream[start:]) + paras[0]
            if joined in texts:
                del stream[start:]
                stream.append(joined)
                closed_at = len(stream) - 1
                break
        stream.extend(paras[1:] if closed_at is not None else paras)
        if len(paras) > 1:
            open_starts = [len(stream) - 1]
        elif closed_at is not None:
            open_starts = [closed_at]
        else:
            # A page of one paragraph may be the middle of a longer one.
            open_starts = (open_starts + [len(stream) - 1])[-64:]
    return stream, "".join(generous)


def check_book(title, corpus, files, authors, collection, examples):
    texts = corpus_texts(corpus, files, authors)
    expected = collections.Counter(texts)
    pages = page_texts(collection, title, expected)
    if pages is None:
        return [f"{title}: not in the catalogue"], True
    stream, generous = pages
    whole = collections.Counter(stream)
    strict = SEPARATOR.join(stream)
    corpus_joined = SEPARATOR.join(texts)
    lost, doubled = [], []
    for text, e in expected.items():
        if whole.get(text, 0) == e:
            continue
        # Counted as a substring on both sides: a text may stand inside a
        # paragraph (a title with its subtitle) or be cut where no corpus text
        # told that a page end cut it.
        c = corpus_joined.count(text)
        least, most = strict.count(text), generous.count(text)
        if most < c:
            lost.append((text, c, most))
        elif least > c:
            doubled.append((text, c, least))
    lines = []
    bad = bool(lost or doubled)
    summary = f"{title}: {len(expected):,} distinct texts ({len(texts):,} in the corpus), "
    if not bad:
        lines.append(summary + "every one on the pages as often as in the corpus")
    else:
        lines.append(summary + f"{len(lost):,} lost ({sum(c - n for _, c, n in lost):,} times), "
                     f"{len(doubled):,} doubled ({sum(n - c for _, c, n in doubled):,} times)")
        for kind, items in (("lost", lost), ("doubled", doubled)):
            for text, c, n in items[:examples]:
                shown = text if len(text) <= 40 else text[:40] + "…"
                lines.append(f"    {kind}: corpus {c}, pages {n}: {shown}")
            if len(items) > examples:
                lines.append(f"    ... and {len(items) - examples:,} more {kind}")
    return lines, bad


def main():
    parser = argparse.ArgumentParser(
        description="Checks that every text of the corpus reaches the collection as often as "
                    "the corpus holds it.")
    parser.add_argument("--corpus", default=DEFAULT_CORPUS,
                        help="the corpus package's dist/ folder (default: %(default)s)")
    parser.add_argument("--data", default=os.path.join(ROOT, "build", "bin"),
                        help="the collection's folder (default: %(default)s)")
    parser.add_argument("--book", action="append", help="check only this book (repeatable)")
    parser.add_argument("--examples", type=int, default=5,
                        help="texts shown per book and kind (default: %(default)s)")
    args = parser.parse_args()
    if not os.path.isdir(args.corpus):
        print(f"check-corpus-texts: no corpus folder {args.corpus} "
              "(scripts/build-collection.sh fetches it)", file=sys.stderr)
        return 2
    known = {title for title, _, _ in BOOKS}
    for title in args.book or []:
        if title not in known:
            print(f"check-corpus-texts: no book {title}; books: {' '.join(sorted(known))}",
                  file=sys.stderr)
            return 2
    collection = Collection(args.data)
    any_bad = False
    for title in collection.books:
        if title not in known and not args.book:
            print(f"{title}: not checked, its corpus files are not known to this script")
            any_bad = True
    for title, files, authors in BOOKS:
        if args.book and title not in args.book:
            continue
        lines, bad = check_book(title, args.corpus, files, authors, collection, args.examples)
        any_bad |= bad
        print("\n".join(lines), flush=True)
    return 1 if any_bad else 0


if __name__ == "__main__":
    sys.exit(main())
