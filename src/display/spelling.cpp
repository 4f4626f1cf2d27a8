#include "display/spelling.h"

#include <algorithm>
#include <cctype>

#include "core/cp1252.h"
#include "core/fileutil.h"
#include "core/utf8.h"
#include "display/encode.h"

namespace ts2 {

namespace {

// Digits, superscript digits and vulgar fractions: a word holding one is a code, not a word.
bool IsDigitLike(uint8_t c) {
  return (c >= '0' && c <= '9') || c == 0xB2 || c == 0xB3 || c == 0xB9 || (c >= 0xBC && c <= 0xBE);
}

constexpr uint8_t kApostrophe = '\'', kRightQuote = 0x92;  // ' and ’

bool IsNewLineTagAt(std::string_view line, size_t at) {
  return StartsWithNoCase(line.substr(at), "[NEWLINE]");
}

bool HoldsSectionHeader(std::string_view line) {
  static constexpr std::string_view kHeader = ".string ";
  if (line.size() <= kHeader.size()) return false;
  for (size_t at = 0; at + kHeader.size() < line.size(); ++at)
    if (StartsWithNoCase(line.substr(at), kHeader) &&
        std::isdigit(static_cast<unsigned char>(line[at + kHeader.size()])))
      return true;
  return false;
}

}  // namespace

// ---- words ----

WordRules::WordRules(std::u32string_view wordCharacters) {
  for (int c = 0; c < 256; ++c) {
    const auto byte = static_cast<uint8_t>(c);
    if (cp1252::IsLetter(byte)) {
      classes_[byte] = kLetter;
    } else if (IsDigitLike(byte)) {
      classes_[byte] = kDigit;
    }
  }
  classes_[kApostrophe] = classes_[kRightQuote] = kJoiner;
  for (char32_t c : wordCharacters) {
    const std::optional<uint8_t> byte = cp1252::FromUnicode(c);
    if (byte && classes_[*byte] == kOther && *byte != '[' && *byte != ']' && *byte > ' ')
      classes_[*byte] = kJoiner;
  }
}

std::vector<WordSpan> WordRules::words(std::string_view line) const {
  std::vector<WordSpan> words;
  const size_t n = line.size();
  auto at = [&](size_t i) { return static_cast<uint8_t>(line[i]); };
  // The "]" of the last bracketed form that writes bytes of its own (not "[NEWLINE]"): a word
  // right behind it, or behind it and joining characters, is written together with it.
  std::optional<size_t> codeEnd;
  size_t i = 0;
  while (i < n) {
    if (at(i) == '[') {
      const size_t close = line.find(']', i);
      const size_t end = close == std::string_view::npos ? n - 1 : close;
      if (!IsNewLineTagAt(line, i)) codeEnd = end;
      i = end + 1;
      continue;
    }
    if (!inWord(at(i))) {
      ++i;
      continue;
    }
    const size_t start = i;
    bool digit = false;
    while (i < n) {
      if (inWord(at(i))) {
        digit = digit || classes_[at(i)] == kDigit;
        ++i;
      } else if (classes_[at(i)] == kJoiner && i + 1 < n && inWord(at(i + 1))) {
        ++i;
      } else {
        break;
      }
    }
    if (digit) continue;
    size_t before = start;
    while (before > 0 && classes_[at(before - 1)] == kJoiner) --before;
    if (before > 0 && codeEnd && *codeEnd == before - 1) continue;
    size_t after = i;
    while (after < n && classes_[at(after)] == kJoiner) ++after;
    if (after < n && at(after) == '[' && !IsNewLineTagAt(line, after)) continue;
    words.push_back({static_cast<int>(start), static_cast<int>(i - start)});
  }
  return words;
}

LineRole RoleOfLine(std::string_view line, bool inSection) {
  if (HoldsSectionHeader(line)) return LineRole::kHeader;
  if (IsClosingLine(line)) return LineRole::kEnd;
  return inSection ? LineRole::kBody : LineRole::kOutside;
}

bool SectionWalk::MayStopEncoding(std::string_view line) {
  return StartsWithNoCase(line, ".ENDS");
}

LineRole SectionWalk::next(std::string_view line) {
  const LineRole role = RoleOfLine(line, inSection_);
  inSection_ = LeavesSectionOpen(role);
  if (role != LineRole::kBody) {
    written_ = true;
    bodyLines_ = 0;
    return role;
  }
  if (bodyLines_++ > 0 && MayStopEncoding(line)) written_ = false;
  return written_ ? LineRole::kBody : LineRole::kUnwritten;
}

// ---- the checker ----

SpellChecker::SpellChecker(std::unique_ptr<Speller> speller)
    : speller_(std::move(speller)), rules_(speller_->wordCharacters()) {}

bool SpellChecker::known(std::string_view word) {
  const std::string key(word);
  if (ignored_.count(key) || projectBytes_.count(key)) return true;
  if (const auto it = answers_.find(key); it != answers_.end()) return it->second;
  bool correct = speller_->correct(Cp1252ToUnicode(word));
  // Dictionaries hold elisions with the plain apostrophe; only some also take the typographic one.
  if (!correct && key.find(static_cast<char>(kRightQuote)) != std::string::npos) {
    std::string plain = key;
    std::replace(plain.begin(), plain.end(), static_cast<char>(kRightQuote), static_cast<char>(kApostrophe));
    correct = known(plain);
  }
  answers_.emplace(key, correct);
  return correct;
}

std::vector<std::string> SpellChecker::suggestions(std::string_view word, size_t max) {
  const std::string key(word);
  auto it = suggested_.find(key);
  if (it == suggested_.end()) {
    std::vector<std::string> typeable;
    for (const std::u32string& s : speller_->suggest(Cp1252ToUnicode(word)))
      if (std::optional<std::string> bytes = UnicodeToCp1252(s);
          bytes && std::find(typeable.begin(), typeable.end(), *bytes) == typeable.end())
        typeable.push_back(std::move(*bytes));
    it = suggested_.emplace(key, std::move(typeable)).first;
  }
  const std::vector<std::string>& all = it->second;
  return {all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(max, all.size()))};
}

void SpellChecker::ignore(std::string_view word) {
  ignored_.emplace(word);
}

void SpellChecker::setProjectWords(const std::vector<std::string>& words) {
  std::set<std::u32string> list;
  for (const std::string& utf8 : words)
    if (std::optional<std::u32string> word = FromUtf8(utf8); word && !word->empty())
      list.insert(std::move(*word));
  if (list == projectWords_) return;  // given again unchanged (every Add, every language pick)
  // A dictionary cannot take a word back (Hunspell's remove forbids the word, its own forms
  // too): once a word leaves the list, the dictionary starts again from its files.
  if (!std::includes(list.begin(), list.end(), projectWords_.begin(), projectWords_.end())) {
    speller_->forgetAdded();
    projectWords_.clear();
  }
  projectBytes_.clear();
  for (const std::u32string& word : list) {
    if (!projectWords_.count(word)) speller_->add(word);
    if (std::optional<std::string> bytes = UnicodeToCp1252(word)) projectBytes_.insert(std::move(*bytes));
  }
  projectWords_ = std::move(list);
  // Earlier answers may have changed, both ways.
  answers_.clear();
  suggested_.clear();
}

std::vector<WordSpan> SpellChecker::unknownWords(std::string_view line) {
  std::vector<WordSpan> unknown;
  for (const WordSpan& w : rules_.words(line)) {
    const auto start = static_cast<size_t>(w.start), length = static_cast<size_t>(w.length);
    // An abbreviation ("bzw.", "usw.") is known with its dot, which is no part of the word.
    const bool dotted = start + length < line.size() && line[start + length] == '.';
    if (!known(line.substr(start, length)) && !(dotted && known(line.substr(start, length + 1))))
      unknown.push_back(w);
  }
  return unknown;
}

// ---- sections ----

namespace {

// Calls `onWord(line index, word)` for every unknown word of the section's body lines.
template <typename OnWord>
void ForEachUnknownWord(const std::vector<std::string>& lines, SpellChecker& checker, OnWord onWord) {
  SectionWalk walk;
  for (size_t j = 0; j < lines.size(); ++j) {
    if (walk.next(lines[j]) != LineRole::kBody) continue;
    for (const WordSpan& w : checker.unknownWords(lines[j])) onWord(static_cast<int>(j), w);
  }
}

}  // namespace

std::vector<LintFinding> SpellSection(const std::vector<std::string>& lines, SpellChecker& checker,
                                      size_t maxSuggestions) {
  std::vector<LintFinding> findings;
  ForEachUnknownWord(lines, checker, [&](int j, const WordSpan& w) {
    const std::string word =
        lines[static_cast<size_t>(j)].substr(static_cast<size_t>(w.start), static_cast<size_t>(w.length));
    std::string offered;
    for (const std::string& s : checker.suggestions(word, maxSuggestions))
      offered += (offered.empty() ? "" : ", ") + Cp1252ToUtf8(s);
    findings.push_back({LintKind::kUnknownWord, j, w.start + 1,
                        "unknown word \"" + Cp1252ToUtf8(word) + "\" (" +
                            (offered.empty() ? "no suggestions" : "suggestions: " + offered) + ")"});
  });
  return findings;
}

int CountUnknownWords(const std::vector<std::string>& lines, SpellChecker& checker) {
  int count = 0;
  ForEachUnknownWord(lines, checker, [&](int, const WordSpan&) { ++count; });
  return count;
}

std::vector<std::string> UnknownWordList(const std::vector<std::string>& lines, SpellChecker& checker,
                                         int skipLine, int skipEnd) {
  std::vector<std::string> words;
  ForEachUnknownWord(lines, checker, [&](int j, const WordSpan& w) {
    if (j == skipLine && w.start + w.length == skipEnd) return;
    std::string word =
        lines[static_cast<size_t>(j)].substr(static_cast<size_t>(w.start), static_cast<size_t>(w.length));
    if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(std::move(word));
  });
  return words;
}

std::string UnknownWordsNote(SpellChecker* checker, std::string_view section, int skipLine, int skipEnd) {
  if (!checker) return {};
  int count = 0;
  ForEachUnknownWord(SplitEditorLines(section), *checker, [&](int j, const WordSpan& w) {
    count += j != skipLine || w.start + w.length != skipEnd;
  });
  return count == 0 ? std::string()
                    : " | " + Plural(static_cast<size_t>(count), "unknown word", "unknown words");
}

}  // namespace ts2
