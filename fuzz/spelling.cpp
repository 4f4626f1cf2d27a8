// Spelling: a project word list as the team's repository may hold it, and editor text cut into
// the words to check (section bodies only, brackets and codes skipped), checked against a
// dictionary of any word characters, with the project's words added to it.
//
// Input: 1 byte choosing the dictionary's word characters (bit 0 '-', 1 '.', 2 '’', 3 ':',
// 4 '[', 5 ']', 6 digits, 7 'é'), 2 bytes length of the word list, the word list, then the text.
#include <algorithm>
#include <set>

#include "core/utf8.h"
#include "display/encode.h"
#include "display/spelling.h"
#include "harness.h"
#include "script/project_words.h"

namespace {

// Knows the words of even length and the project's words; suggests the word reversed, with an
// added character the code page cannot hold.
struct EvenSpeller : ts2::Speller {
  std::u32string chars;
  std::set<std::u32string> added;
  std::u32string wordCharacters() const override { return chars; }
  bool correct(std::u32string_view word) override {
    return word.size() % 2 == 0 || added.count(std::u32string(word));
  }
  std::vector<std::u32string> suggest(std::u32string_view word) override {
    std::u32string reversed(word.rbegin(), word.rend());
    return {reversed, reversed + U'\u0107', std::u32string(word) + U'e'};
  }
  void add(std::u32string_view word) override { added.emplace(word); }
  void forgetAdded() override { added.clear(); }
};

std::u32string WordCharacters(uint8_t bits) {
  static constexpr char32_t kChoices[] = {U'-', U'.', U'\u2019', U':', U'[', U']', U'7', U'\u00E9'};
  std::u32string chars;
  for (int i = 0; i < 8; ++i)
    if (bits & (1 << i)) chars += kChoices[i];
  return chars;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint8_t bits = in.u8();
  const size_t listLength = in.u16();
  const std::span<const uint8_t> rest = in.rest();
  const size_t split = std::min(listLength, rest.size());
  const std::string_view list(reinterpret_cast<const char*>(rest.data()), split);
  const std::string_view text(reinterpret_cast<const char*>(rest.data()) + split, rest.size() - split);

  const std::vector<std::string> words = ts2::ParseWordList(list);
  ts2::fuzz::Check(std::is_sorted(words.begin(), words.end()));
  ts2::fuzz::Check(std::adjacent_find(words.begin(), words.end()) == words.end());
  ts2::fuzz::Check(ts2::ParseWordList(ts2::FormatWordList(words)) == words);

  auto speller = std::make_unique<EvenSpeller>();
  speller->chars = WordCharacters(bits);
  ts2::SpellChecker checker(std::move(speller));
  checker.setProjectWords(words);

  const std::vector<std::string> lines = ts2::SplitEditorLines(text);
  for (const std::string& line : lines) {
    int end = 0;
    for (const ts2::WordSpan& w : checker.rules().words(line)) {
      ts2::fuzz::Check(w.start >= end && w.length > 0 &&
                       static_cast<size_t>(w.start + w.length) <= line.size());
      const std::string_view word =
          std::string_view(line).substr(static_cast<size_t>(w.start), static_cast<size_t>(w.length));
      ts2::fuzz::Check(word.find_first_of("[]0123456789") == std::string_view::npos);
      end = w.start + w.length;
    }
  }
  for (const ts2::LintFinding& f : ts2::SpellSection(lines, checker, 3)) {
    ts2::fuzz::Check(f.line >= 1 && static_cast<size_t>(f.line) < lines.size());
    ts2::fuzz::Check(f.column >= 1 &&
                     static_cast<size_t>(f.column) <= lines[static_cast<size_t>(f.line)].size());
    ts2::fuzz::Check(ts2::FromUtf8(f.message).has_value());  // the words reach the terminal as UTF-8
  }
  (void)ts2::UnknownWordsNote(&checker, text);
  return 0;
}
