// The whole-script readers of translation text: the section index, the string states, find (in
// Windows-1252 and Shift-JIS text) and replace inside section bodies.
//
// Input: 1 byte options (bit 0 match case, bit 1 whole word, bit 2 Shift-JIS, bit 3 variable
// width), 1 byte length of the search text, 1 byte string count, the search text, then the text.
#include <algorithm>
#include <string>
#include <string_view>

#include "harness.h"
#include "views/find.h"
#include "views/states.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint8_t options = in.u8();
  const size_t needleSize = in.u8();
  const uint32_t strings = in.u8();
  const std::span<const uint8_t> rest = in.rest();
  const std::string_view all(reinterpret_cast<const char*>(rest.data()), rest.size());
  const std::string needle(all.substr(0, std::min(needleSize, all.size())));
  const std::string_view text = all.substr(needle.size());
  using ts2::fuzz::Check;

  const ts2::SectionIndex index(text, strings);
  size_t end = 0;
  for (size_t i = 0; i < index.lines().size(); ++i) {
    const ts2::TextLine& l = index.lines()[i];
    Check(l.start >= end && l.start <= l.end && l.end <= text.size());
    Check(index.lineAt(l.start) == static_cast<int>(i) || l.start == l.end);
    Check(index.bodyOf(static_cast<int>(i)) < static_cast<int32_t>(strings));
    end = l.end;
  }

  const ts2::LintOptions lint{.variableWidth = (options & 8) != 0};
  const std::vector<ts2::StringStatus> states = ts2::StatesOf(text, strings, lint);
  Check(states.size() == strings);
  for (const ts2::StringStatus& s : states)
    Check(s.findings.empty() == (s.state != ts2::StringState::kWithFindings));

  const ts2::FindOptions find{.matchCase = (options & 1) != 0, .wholeWord = (options & 2) != 0};
  const auto encoding = options & 4 ? ts2::TextEncoding::kShiftJis : ts2::TextEncoding::kWindows1252;
  const ts2::TextFinder finder(needle, find, encoding);
  size_t next = 0;
  for (size_t at : finder.findAll(text)) {
    Check(at >= next && at + needle.size() <= text.size());
    if (find.matchCase) Check(text.substr(at, needle.size()) == needle);
    next = at + needle.size();
  }

  const std::vector<ts2::TextMatch> matches = ts2::FindInTranslation(text, strings, finder);
  const ts2::Replaced same = ts2::ReplaceInTranslation(text, strings, finder, needle);
  Check(same.count == static_cast<int>(matches.size()));
  if (find.matchCase) Check(same.text == text);
  const ts2::Replaced gone = ts2::ReplaceInTranslation(text, strings, finder, "");
  Check(gone.text.size() + needle.size() * static_cast<size_t>(gone.count) == text.size());
  return 0;
}
