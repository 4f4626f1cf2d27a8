#include "core/editor_text.h"

#include <algorithm>
#include <cstring>

#include "core/toolkit.h"

namespace ts2 {

namespace {

constexpr size_t kMinGap = 4096;  // room left for typing after a text is set or the gap is refilled
constexpr int kHeaderLength = static_cast<int>(EditorText::kHeaderWord.size());

char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `what` begins with ".string" in any letter case: every match of it starts where a
// section header word does, so the header index answers its search.
bool IsHeaderSearch(std::string_view what) {
  if (what.size() < EditorText::kHeaderWord.size()) return false;
  for (size_t i = 0; i < EditorText::kHeaderWord.size(); ++i)
    if (Fold(what[i]) != EditorText::kHeaderWord[i]) return false;
  return true;
}

}  // namespace

// ---- PositionList ----

template <typename Payload>
int PositionList<Payload>::lowerBound(int at) const {
  if (!head_.empty() && at <= head_.back().pos) {
    const auto it = std::lower_bound(head_.begin(), head_.end(), at,
                                     [](const Entry& e, int value) { return e.pos < value; });
    return static_cast<int>(it - head_.begin());
  }
  // Every head position lies before `at`; of the tail, those at or after it are the ones no
  // farther from the end than `at` is, which come first in tail_.
  const int distance = size_ - at;
  const auto it = std::upper_bound(tail_.begin(), tail_.end(), distance,
                                   [](int value, const Entry& e) { return value < e.pos; });
  return static_cast<int>(head_.size() + (tail_.end() - it));
}

template <typename Payload>
void PositionList<Payload>::split(int at) {
  while (!head_.empty() && head_.back().pos >= at) {
    tail_.push_back({size_ - head_.back().pos, std::move(head_.back().payload)});
    head_.pop_back();
  }
  while (!tail_.empty() && size_ - tail_.back().pos < at) {
    head_.push_back({size_ - tail_.back().pos, std::move(tail_.back().payload)});
    tail_.pop_back();
  }
}

template <typename Payload>
void PositionList<Payload>::replace(int from, int to, int growth) {
  split(from);
  while (!tail_.empty() && size_ - tail_.back().pos < to) tail_.pop_back();
  size_ += growth;  // the tail's distances now give the shifted positions
}

// ---- EditorText ----

void EditorText::assign(std::string_view text) {
  buffer_.reserve(text.size() + kMinGap);
  buffer_.assign(text);
  gapStart_ = buffer_.size();
  buffer_.resize(buffer_.size() + kMinGap);
  gapEnd_ = buffer_.size();
  const int n = size();
  lineEnds_.clear(n);
  headers_.clear(n);
  for (const char *p = buffer_.data(), *end = p + n;
       (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p)
    lineEnds_.append(static_cast<int>(p - buffer_.data()), {});
  index(0, n);
}

void EditorText::moveGap(size_t to) {
  if (to < gapStart_) {
    const size_t n = gapStart_ - to;
    std::memmove(buffer_.data() + gapEnd_ - n, buffer_.data() + to, n);
    gapStart_ = to;
    gapEnd_ -= n;
  } else if (to > gapStart_) {
    const size_t n = to - gapStart_;
    std::memmove(buffer_.data() + gapStart_, buffer_.data() + gapEnd_, n);
    gapStart_ += n;
    gapEnd_ += n;
  }
}

void EditorText::replace(int pos, int removed, std::string_view added) {
  const int n = size();
  pos = std::clamp(pos, 0, n);
  removed = std::clamp(removed, 0, n - pos);
  const auto count = static_cast<int>(added.size());
  // A header's key holds the bytes after it, so headers that start shortly before the edit are
  // looked at again.
  const int keysFrom = std::max(0, pos - (kKeyBytes - 1));
  lineEnds_.replace(pos, pos + removed, count - removed);
  headers_.replace(keysFrom, pos + removed, count - removed);

  moveGap(static_cast<size_t>(pos));
  gapEnd_ += static_cast<size_t>(removed);
  if (gapLength() < added.size()) {
    const size_t tail = buffer_.size() - gapEnd_;
    const size_t gap = added.size() + std::max(kMinGap, static_cast<size_t>(size()) / 8);
    std::string grown(gapStart_ + gap + tail, '\0');
    std::memcpy(grown.data(), buffer_.data(), gapStart_);
    std::memcpy(grown.data() + gapStart_ + gap, buffer_.data() + gapEnd_, tail);
    buffer_.swap(grown);
    gapEnd_ = gapStart_ + gap;
  }
  if (!added.empty()) std::memcpy(buffer_.data() + gapStart_, added.data(), added.size());
  gapStart_ += added.size();

  // Positions are added in order: line ends from the edit on, then headers from keysFrom on.
  for (int p = pos; p < pos + count; ++p)
    if (added[static_cast<size_t>(p - pos)] == '\n') lineEnds_.insert(p, {});
  index(keysFrom, pos + count);
}

// Adds the headers that start in [from, to).
void EditorText::index(int from, int to) {
  const int n = size();
  for (int p = from; p < to && p + kHeaderLength <= n; ++p) {
    if (static_cast<size_t>(p) < gapStart_) {  // to the next '.' before the gap in one step
      const char* start = buffer_.data() + p;
      const auto* dot =
          static_cast<const char*>(std::memchr(start, '.', std::min<size_t>(to, gapStart_) - p));
      if (!dot) {
        p = static_cast<int>(std::min<size_t>(to, gapStart_)) - 1;
        continue;
      }
      p += static_cast<int>(dot - start);
      if (p + kHeaderLength > n) break;
    } else if (at(p) != '.') {
      continue;
    }
    int k = 1;
    while (k < kHeaderLength && Fold(at(p + k)) == kHeaderWord[static_cast<size_t>(k)]) ++k;
    if (k < kHeaderLength) continue;
    Key key{};
    key.length = static_cast<uint8_t>(std::min(kKeyBytes, n - p));
    for (int i = 0; i < key.length; ++i) key.bytes[i] = Fold(at(p + i));
    headers_.insert(p, key);
  }
}

std::string EditorText::substr(int from, int to) const {
  const int n = size();
  from = std::clamp(from, 0, n);
  to = std::clamp(to, from, n);
  std::string out;
  out.reserve(static_cast<size_t>(to - from));
  const auto f = static_cast<size_t>(from), t = static_cast<size_t>(to);
  if (f < gapStart_) out.append(buffer_, f, std::min(t, gapStart_) - f);
  if (t > gapStart_) {
    const size_t start = std::max(f, gapStart_);
    out.append(buffer_, start + gapLength(), t - start);
  }
  return out;
}

int EditorText::lineStart(int line) const {
  return line == 0 ? 0 : lineEnds_.pos(line - 1) + 1;
}

int EditorText::lineCount() const {
  const int n = size();
  if (n == 0) return 0;
  return lineEnds_.count() + (at(n - 1) == '\n' ? 0 : 1);  // a final line end opens no further line
}

std::string EditorText::line(int index) const {
  const int ends = lineEnds_.count();
  if (index < 0 || index > ends) return {};
  const int start = lineStart(index);
  if (start >= size()) return {};
  return substr(start, index < ends ? lineEnds_.pos(index) : size());
}

int EditorText::lineFromChar(int position) const {
  return lineEnds_.lowerBound(std::clamp(position, 0, size()));
}

int EditorText::find(std::string_view what, int from, int length) const {
  const int n = size();
  if (from < 0 || length < 0 || from > n) return -1;
  const int64_t end = std::min<int64_t>(n, int64_t{from} + length);
  const auto size = static_cast<int64_t>(what.size());
  if (what.empty() || size > end - from) return -1;
  if (!IsHeaderSearch(what)) return textops::FindNoCase(str(), what, from, length);

  std::string folded(what);
  for (char& c : folded) c = Fold(c);
  for (int i = headers_.lowerBound(from), count = headers_.count(); i < count; ++i) {
    const int p = headers_.pos(i);
    if (p + size > end) return -1;  // the later headers lie further on
    const Key& key = headers_.payload(i);
    if (size <= key.length) {
      if (std::memcmp(key.bytes, folded.data(), folded.size()) == 0) return p;
      continue;
    }
    int64_t k = key.length;
    if (std::memcmp(key.bytes, folded.data(), static_cast<size_t>(k)) != 0) continue;
    while (k < size && Fold(at(p + static_cast<int>(k))) == folded[static_cast<size_t>(k)]) ++k;
    if (k == size) return p;
  }
  return -1;
}

std::vector<std::string> EditorText::linesUntil(int first,
                                                const std::function<bool(std::string_view)>& isLast) const {
  const int ends = lineEnds_.count();
  std::vector<std::string> lines;
  if (first < 0 || first > ends) return lines;
  const int n = size();
  for (int i = first, start = lineStart(first); start < n; ++i) {
    const int end = i < ends ? lineEnds_.pos(i) : n;
    lines.push_back(substr(start, end));
    if (i >= ends || isLast(lines.back())) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace ts2
