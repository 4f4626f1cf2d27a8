// EncodeSection: the section copied into Memo1, encoded into gTransText.
#include "display/encode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

struct Tag {
  std::string_view text;
  uint8_t code;
};
// Tried once per "[", in this order.
constexpr Tag kTags[] = {{"[PLAYER]", kCodePlayer}, {"[NEWLINE]", kCodeNewLine}};

bool MatchesAt(std::string_view line, size_t k, std::string_view tag) {
  return line.size() - k >= tag.size() && StartsWithNoCase(line.substr(k), tag);
}

// The bytes of text line `index`; `out` takes no more than `limit` bytes. `spans` (may be null)
// takes the column range of each tag and "[$" run read.
void EncodeLine(std::string_view line, int index, std::vector<TracedByte>& out, size_t limit,
                std::vector<std::pair<int, int>>* spans = nullptr) {
  line = line.substr(0, kLineBufferChars);
  const int n = static_cast<int>(line.size());
  auto put = [&](uint8_t value, ByteSource source, int k, int start) {
    if (out.size() < limit) out.push_back({value, source, index, k + 1, start + 1});
  };
  for (int k = 0; k < n; ++k) {
    if (line[k] != '[') {
      put(static_cast<uint8_t>(line[k]), ByteSource::kText, k, k);
      continue;
    }
    for (const Tag& tag : kTags) {
      if (k < n && MatchesAt(line, k, tag.text)) {
        put(tag.code, ByteSource::kTag, k, k);
        if (spans) spans->emplace_back(k, k + static_cast<int>(tag.text.size()));
        k += static_cast<int>(tag.text.size());
      }
    }
    if (k >= n) break;
    if (line[k] == '[' && k + 1 < n && line[k + 1] == '$') {
      // Hexadecimal pairs up to a "]" at a pair boundary; each pair goes through the C
      // library's base-16 conversion, so "3]" gives 3 and "xy" gives 0.
      const int start = k;
      for (k += 2; k < n && line[k] != ']'; k += 2) {
        char pair[3] = {line[k], k + 1 < n ? line[k + 1] : '\0', '\0'};
        put(static_cast<uint8_t>(std::strtol(pair, nullptr, 16)), ByteSource::kHexPair, k, start);
      }
      if (spans) spans->emplace_back(start, std::min(k + 1, n));
      continue;  // k rests on the "]" (or past the end); the walk goes on after it
    }
    put(static_cast<uint8_t>(line[k]), line[k] == '[' ? ByteSource::kStray : ByteSource::kText, k, k);
  }
}

}  // namespace

std::vector<std::pair<int, int>> CodeSpans(std::string_view line) {
  std::vector<TracedByte> none;
  std::vector<std::pair<int, int>> spans;
  EncodeLine(line, 0, none, 0, &spans);
  return spans;
}

bool IsClosingLine(std::string_view line) {
  return Trim(line) == kClosingLine;
}

SectionTrace TraceSectionLines(const std::vector<std::string>& lines, size_t limit) {
  SectionTrace trace;
  // A closing line at the end is not text, whatever blanks surround it.
  size_t textEnd = lines.size();
  if (textEnd >= 2 && IsClosingLine(lines[textEnd - 1])) --textEnd;
  size_t most = 0;  // a byte a character and a line end: the vector grows once at most
  for (size_t j = 1; j < textEnd; ++j) most += std::min(lines[j].size(), kLineBufferChars) + 1;
  trace.bytes.reserve(std::min(most, limit));
  for (size_t j = 1; j < textEnd; ++j) {
    const int index = static_cast<int>(j);
    trace.endLine = index + 1;
    EncodeLine(lines[j], index, trace.bytes, limit);
    const bool last = j + 1 >= textEnd || StartsWithNoCase(lines[j + 1], kClosingLine);
    if (last) break;
    const int end = static_cast<int>(std::min(lines[j].size(), kLineBufferChars)) + 1;
    if (trace.bytes.size() < limit)
      trace.bytes.push_back({kCodeNewLine, ByteSource::kLineEnd, index, end, end});
  }
  return trace;
}

std::vector<uint8_t> EncodeSectionLines(const std::vector<std::string>& lines, size_t capacity) {
  if (capacity == 0) return {};
  // Output that would not fit is cut so that the final 0xFF still does.
  const SectionTrace trace = TraceSectionLines(lines, capacity - 1);
  std::vector<uint8_t> bytes;
  bytes.reserve(trace.bytes.size() + 1);
  for (const TracedByte& b : trace.bytes) bytes.push_back(b.value);
  bytes.push_back(kCodeEnd);
  return bytes;
}

std::vector<std::string> SplitEditorLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

std::string JoinEditorLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  if (!lines.empty() && lines.back().empty()) text += '\n';
  return text;
}

std::vector<std::string> SectionAt(std::string_view text, int first) {
  size_t start = 0;
  for (int i = 0; i < first; ++i) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) return {};
    start = nl + 1;
  }
  std::vector<std::string> section;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    const size_t end = nl == std::string_view::npos ? text.size() : nl;
    section.emplace_back(text.substr(start, end - start));
    if (IsClosingLine(section.back()) || nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return section;
}

std::vector<std::string> SectionAt(const std::vector<std::string>& lines, int first) {
  std::vector<std::string> section;
  if (first < 0) return section;
  for (size_t i = static_cast<size_t>(first); i < lines.size(); ++i) {
    section.push_back(lines[i]);
    if (IsClosingLine(lines[i])) break;
  }
  return section;
}

void TmyForm::EncodeSection() {
  if (!gTransText) return;
  const RichEdit& memo = ui.richEdit(ControlId::Memo1);
  const std::vector<uint8_t> bytes = EncodeSectionLines(SplitEditorLines(memo.text()), kTransTextSize);
  std::memcpy(gTransText.get(), bytes.data(), bytes.size());
}

}  // namespace ts2
