// The Text Editor's text as bytes, kept current edit by edit, with what the string display asks
// of it on every keystroke: its length, its lines, the line of a position and the search for a
// section header (".STRING n"). An edit costs about its own size plus the distance from the
// previous edit; no question reads the whole text.
//
// The answers are those of the plain text operations (textops) on the same text: the tests check
// them against each other on random edits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ts2 {

// Sorted text positions that follow the edits of their text. The positions before the last edit
// are held as they are, those after it as their distance from the end of the text, so an edit
// moves none of them: only the positions between two successive edits change sides.
template <typename Payload>
class PositionList {
 public:
  struct Entry {
    int pos;
    Payload payload;
  };

  void clear(int textSize) {
    head_.clear();
    tail_.clear();
    size_ = textSize;
  }
  int count() const { return static_cast<int>(head_.size() + tail_.size()); }
  int pos(int index) const {
    const auto h = static_cast<int>(head_.size());
    return index < h ? head_[static_cast<size_t>(index)].pos
                     : size_ - tail_[tail_.size() - 1 - static_cast<size_t>(index - h)].pos;
  }
  const Payload& payload(int index) const {
    const auto h = static_cast<int>(head_.size());
    return index < h ? head_[static_cast<size_t>(index)].payload
                     : tail_[tail_.size() - 1 - static_cast<size_t>(index - h)].payload;
  }
  // The index of the first position at or after `at` (count() when there is none).
  int lowerBound(int at) const;
  // Appends a position larger than every other (while the list is built from the start).
  void append(int at, Payload payload) { head_.push_back({at, std::move(payload)}); }

  // The text changed by `growth` bytes inside [from, to): positions in [from, to) are dropped and
  // those after shift by `growth`. The caller then adds the new positions from `from` on, in
  // order, with insert().
  void replace(int from, int to, int growth);
  void insert(int at, Payload payload) { head_.push_back({at, std::move(payload)}); }

 private:
  void split(int at);        // positions below `at` in head_, the others in tail_
  std::vector<Entry> head_;  // ascending positions
  std::vector<Entry> tail_;  // distances from the end, nearest the split last
  int size_ = 0;             // the text's length
};

// The text in a gap buffer, with its line ends and section headers indexed.
class EditorText {
 public:
  EditorText() { assign({}); }
  void assign(std::string_view text);
  // Replaces `removed` bytes at `pos` with `added` (both clamped to the text).
  void replace(int pos, int removed, std::string_view added);

  int size() const { return static_cast<int>(buffer_.size() - gapLength()); }
  std::string str() const { return substr(0, size()); }
  std::string substr(int from, int to) const;  // bytes [from, to), clamped

  // As textops::LineCount, Line and LineFromChar, and FindNoCase on str().
  int lineCount() const;
  std::string line(int index) const;
  int lineFromChar(int position) const;
  int find(std::string_view what, int from, int length) const;

  // The lines from line `first` on, up to and including the first line for which `isLast` is
  // true, or up to the end of the text (whose final line end opens no further line); none when
  // the text has fewer lines.
  std::vector<std::string> linesUntil(int first, const std::function<bool(std::string_view)>& isLast) const;

  // A section header as the search folds it, and the bytes of the text that a header's index entry
  // keeps (searches for longer texts read the text itself).
  static constexpr std::string_view kHeaderWord = ".string";
  static constexpr int kKeyBytes = 16;
  struct Key {
    char bytes[kKeyBytes];
    uint8_t length;
  };

 private:
  size_t gapLength() const { return gapEnd_ - gapStart_; }
  char at(int i) const {
    const auto u = static_cast<size_t>(i);
    return u < gapStart_ ? buffer_[u] : buffer_[u + gapLength()];
  }
  void moveGap(size_t to);
  void index(int from, int to);  // adds the headers that start in [from, to)
  int lineStart(int line) const;

  std::string buffer_;
  size_t gapStart_ = 0, gapEnd_ = 0;
  struct None {};
  PositionList<None> lineEnds_;
  PositionList<Key> headers_;  // every place where ".string" starts, letters folded
};

}  // namespace ts2
