// The section index: one pass over the line ends, a header check only on lines that hold ".s".
#include "views/sections.h"

#include <algorithm>
#include <cstring>

#include "core/fileutil.h"
#include "script/textfile.h"

namespace ts2 {

namespace {

constexpr std::string_view kHeaderWord = ".string ";

// A cheap test before SectionHeadersOn: whether the line holds ".string " in any letter case.
bool MayHoldHeader(std::string_view line) {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (end - p >= static_cast<std::ptrdiff_t>(kHeaderWord.size())) {
    p = static_cast<const char*>(std::memchr(p, '.', static_cast<size_t>(end - p)));
    if (!p || end - p < static_cast<std::ptrdiff_t>(kHeaderWord.size())) return false;
    bool same = true;
    for (size_t i = 1; i < kHeaderWord.size() && same; ++i)
      same = kHeaderWord[i] == ' ' ? p[i] == ' ' : (p[i] | 0x20) == kHeaderWord[i];
    if (same) return true;
    ++p;
  }
  return false;
}

// The header a line holds when it is exactly ".STRING n" as writers put it (n in decimal, no
// leading zero), the common case read without SectionHeadersOn; -1 for any other line.
long PlainHeader(std::string_view line) {
  constexpr std::string_view kPlain = ".STRING ";
  constexpr size_t kMaxDigits = 8;  // as SectionHeadersOn reads them
  if (line.size() <= kPlain.size() || line.size() > kPlain.size() + kMaxDigits || !line.starts_with(kPlain))
    return -1;
  const std::string_view digits = line.substr(kPlain.size());
  if (digits.size() > 1 && digits[0] == '0') return -1;
  long n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Lines of `text`: CR LF, LF and a lone CR each end one; a final line end opens no further line.
std::vector<TextLine> SplitLines(std::string_view text) {
  std::vector<TextLine> lines;
  lines.reserve(text.size() / 32 + 1);
  const char* const base = text.data();
  size_t start = 0;
  while (start < text.size()) {
    const void* lf = std::memchr(base + start, '\n', text.size() - start);
    const size_t stop = lf ? static_cast<size_t>(static_cast<const char*>(lf) - base) : text.size();
    // Lone CRs inside [start, stop) end lines too; a CR right before the LF is part of CR LF.
    size_t at = start;
    while (const void* cr = std::memchr(base + at, '\r', stop - at)) {
      const size_t c = static_cast<size_t>(static_cast<const char*>(cr) - base);
      if (c + 1 == stop && lf) break;
      lines.push_back({start, c});
      start = at = c + 1;
    }
    if (!lf) {
      if (start < text.size()) lines.push_back({start, text.size()});
      break;
    }
    const size_t end = stop > start && base[stop - 1] == '\r' ? stop - 1 : stop;
    lines.push_back({start, end});
    start = stop + 1;
  }
  return lines;
}

}  // namespace

bool IsSectionEnd(std::string_view line) {
  return line.find(kSectionEnd) != std::string_view::npos && Trim(line) == kSectionEnd;
}

SectionIndex::SectionIndex(std::string_view text, uint32_t strings)
    : text_(text), lines_(SplitLines(text)), header_(strings, -1), close_(strings, -1) {
  const int count = static_cast<int>(lines_.size());
  bodyOf_.assign(lines_.size(), -1);
  std::vector<bool> holdsHeader(lines_.size(), false);
  for (int i = 0; i < count; ++i) {
    const std::string_view l = line(i);
    if (!MayHoldHeader(l)) continue;
    if (const long n = PlainHeader(l); n >= 0) {
      holdsHeader[static_cast<size_t>(i)] = true;
      if (static_cast<uint64_t>(n) < strings && header_[static_cast<size_t>(n)] < 0)
        header_[static_cast<size_t>(n)] = i;
      continue;
    }
    for (const HeaderOnLine& h : SectionHeadersOn(l)) {
      holdsHeader[static_cast<size_t>(i)] = true;
      if (h.number >= 0 && static_cast<uint64_t>(h.number) < strings &&
          header_[static_cast<size_t>(h.number)] < 0)
        header_[static_cast<size_t>(h.number)] = i;
    }
  }
  // The first closing line at or after each line, found from the end in one pass.
  std::vector<int> nextClose(lines_.size() + 1, count);
  for (int i = count - 1; i >= 0; --i)
    nextClose[static_cast<size_t>(i)] = IsSectionEnd(line(i)) ? i : nextClose[static_cast<size_t>(i) + 1];
  for (uint32_t n = 0; n < strings; ++n) {
    const int h = header_[n];
    if (h < 0) continue;
    const int j = nextClose[static_cast<size_t>(h) + 1];
    close_[n] = j;
    for (int k = h + 1; k < j && !holdsHeader[static_cast<size_t>(k)]; ++k)
      bodyOf_[static_cast<size_t>(k)] = n;
  }
}

std::pair<int, int> SectionIndex::body(uint32_t n) const {
  if (header_[n] < 0) return {0, 0};
  const int first = header_[n] + 1, count = static_cast<int>(lines_.size());
  int end = first;
  while (end < count && bodyOf_[static_cast<size_t>(end)] >= 0) ++end;
  return {first, end};
}

std::string_view SectionIndex::line(int index) const {
  const TextLine& l = lines_[static_cast<size_t>(index)];
  return text_.substr(l.start, l.end - l.start);
}

std::vector<std::string> SectionIndex::sectionLines(uint32_t n) const {
  std::vector<std::string> out;
  sectionLines(n, out);
  return out;
}

void SectionIndex::sectionLines(uint32_t n, std::vector<std::string>& out) const {
  const int h = header_[n];
  const int last = h < 0 ? h - 1 : lastLine(n);
  out.resize(static_cast<size_t>(last - h + 1));
  for (int j = h; j <= last; ++j) out[static_cast<size_t>(j - h)].assign(line(j));
}

std::vector<int> ShownHeaderLines(const SectionIndex& index) {
  const std::string_view text = index.text();
  const uint32_t strings = index.strings();
  std::vector<int> shown(strings, -1);
  constexpr std::string_view kHeader = ".STRING ";
  constexpr size_t kMaxDigits = 9;
  // Each ".STRING " with digits after it is where the search for every number its digits begin
  // with lands, unless it landed earlier.
  for (size_t at = text.find('.'); at != std::string_view::npos; at = text.find('.', at + 1)) {
    if (!StartsWithNoCase(text.substr(at), kHeader)) continue;
    const size_t first = at + kHeader.size();
    uint64_t n = 0;
    for (size_t d = first; d < text.size() && d - first < kMaxDigits; ++d) {
      if (text[d] < '0' || text[d] > '9' || (n == 0 && d > first)) break;  // "0" has no longer form
      n = n * 10 + static_cast<uint64_t>(text[d] - '0');
      if (n < strings && shown[n] < 0) shown[n] = index.lineAt(at);
    }
  }
  return shown;
}

int SectionIndex::lineAt(size_t position) const {
  const auto it = std::upper_bound(lines_.begin(), lines_.end(), position,
                                   [](size_t p, const TextLine& l) { return p < l.start; });
  return it == lines_.begin() ? 0 : static_cast<int>(it - lines_.begin()) - 1;
}

std::vector<std::string> SectionIndex::translation(uint32_t n) const {
  std::vector<std::string> out;
  if (header_[n] < 0) return out;
  const auto [first, end] = body(n);
  bool blank = true;
  for (int l = first; l < end; ++l) {
    const std::string_view text = line(l);
    blank = blank && std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
    out.emplace_back(text);
  }
  if (blank) out.clear();
  return out;
}

}  // namespace ts2
