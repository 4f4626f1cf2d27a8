// String and block states: the section index finds each string's section once, the lint of
// `ts2tool check` looks only at sections that hold text.
#include "views/states.h"

#include <algorithm>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "core/utf8.h"
#include "display/spelling.h"
#include "views/glossary.h"
#include "views/original.h"

namespace ts2 {

namespace {

bool IsBlank(std::string_view line) {
  for (char c : line)
    if (static_cast<unsigned char>(c) > 0x20) return false;
  return true;
}

}  // namespace

namespace {

// `lines` holds the section's lines between two calls, so that a block's sections reuse them.
StringStatus StateOf(const SectionIndex& index, uint32_t n, const LintOptions& options,
                     const StateSpelling& spelling, std::vector<std::string>& lines) {
  if (index.header(n) < 0) return {};
  index.sectionLines(n, lines);
  StringStatus status = StateOfSection(
      lines, options,
      {spelling.checker, spelling.skipLine < 0 ? -1 : spelling.skipLine - index.header(n), spelling.skipEnd,
       spelling.glossary, nullptr, spelling.terms ? spelling.terms->of(n) : nullptr});
  status.headerLine = index.header(n);
  return status;
}

// A translated string whose section the editor does not show gets that as its first finding.
void MarkShownElsewhere(StringStatus& status, const SectionIndex& index, uint32_t n, int shownLine) {
  status.shownElsewhere = shownLine >= 0 && shownLine != status.headerLine;
  if (!status.shownElsewhere || status.state == StringState::kUntranslated) return;
  status.findings.insert(
      status.findings.begin(),
      LintFinding{LintKind::kRunOn, 0, 1,
                  ShownElsewhereText(shownLine, index.line(shownLine), static_cast<long>(n)) +
                      ", which comes first: move this section before it"});
  status.state = StringState::kWithFindings;
}

}  // namespace

std::string ShownElsewhereText(int shownLine, std::string_view lineText, long n) {
  return Format("the editor shows the section at file line %d (%s) for string %ld", shownLine + 1,
                Trim(lineText).c_str(), n);
}

StringStatus StateOf(const SectionIndex& index, uint32_t n, const LintOptions& options,
                     const StateSpelling& spelling) {
  std::vector<std::string> lines;
  return StateOf(index, n, options, spelling, lines);
}

StringStatus StateOfSection(const std::vector<std::string>& lines, const LintOptions& options,
                            const StateSpelling& spelling) {
  StringStatus status;
  if (lines.empty()) return status;
  // Lines 1 to the one before the closing line (or to the end when none follows) are the body.
  const size_t bodyEnd = lines.size() >= 2 && IsSectionEnd(lines.back()) ? lines.size() - 1 : lines.size();
  bool text = false;
  for (size_t j = 1; j < bodyEnd && !text; ++j) text = !IsBlank(lines[j]);
  if (!text) return status;
  status.findings = LintSection(lines, options);
  if (spelling.glossary && spelling.sectionTerms && !spelling.sectionTerms->empty())
    for (LintFinding& f : spelling.glossary->findings(*spelling.sectionTerms, lines))
      status.findings.push_back(std::move(f));
  status.state = status.findings.empty() ? StringState::kTranslated : StringState::kWithFindings;
  if (spelling.checker)
    status.unknownWords = UnknownWordList(lines, *spelling.checker, spelling.skipLine, spelling.skipEnd);
  return status;
}

std::vector<StringStatus> StatesOf(std::string_view text, uint32_t strings, const LintOptions& options,
                                   const StateSpelling& spelling) {
  const SectionIndex index(text, strings);
  std::vector<StringStatus> states;
  states.reserve(strings);
  std::vector<std::string> lines;
  const std::vector<int> shown = ShownHeaderLines(index);
  for (uint32_t n = 0; n < strings; ++n) {
    states.push_back(StateOf(index, n, options, spelling, lines));
    MarkShownElsewhere(states.back(), index, n, shown[n]);
  }
  return states;
}

BlockProgress& BlockProgress::operator+=(const BlockProgress& other) {
  strings += other.strings;
  translated += other.translated;
  withFindings += other.withFindings;
  return *this;
}

BlockProgress Tally(const std::vector<StringStatus>& states) {
  BlockProgress p;
  p.strings = static_cast<uint32_t>(states.size());
  for (const StringStatus& s : states) {
    if (s.state == StringState::kTranslated) ++p.translated;
    if (s.state == StringState::kWithFindings) ++p.withFindings;
  }
  return p;
}

BlockTerms TermsOfBlock(const Glossary& glossary, uint64_t generation, const Ts2Main& m, int32_t block,
                        uint32_t strings, const std::function<std::string(std::string_view)>& toUtf8,
                        TermsMemo* memo) {
  if (memo && memo->generation == generation && memo->script == m.scriptGeneration &&
      memo->terms.strings.size() == strings && memo->originals.size() == strings)
    return memo->terms;  // neither the glossary nor the originals changed
  BlockTerms out;
  out.strings.resize(strings);
  const bool reusable = memo && memo->generation == generation;
  std::vector<uint64_t> originals(strings);
  // FNV-1a over the glossary's generation and every string's terms.
  uint64_t key = 1469598103934665603ull;
  const auto mix = [&key](uint64_t v) {
    for (int i = 0; i < 8; ++i) key = (key ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  };
  mix(generation);
  for (uint32_t s = 0; s < strings; ++s) {
    if (!glossary.empty()) {
      const std::string original = OriginalTextOf(m, block, s);
      originals[s] = HashBytes({reinterpret_cast<const uint8_t*>(original.data()), original.size()});
      if (reusable && s < memo->originals.size() && memo->originals[s] == originals[s]) {
        out.strings[s] = memo->terms.strings[s];
      } else {
        const bool ascii = std::all_of(original.begin(), original.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        out.strings[s] = glossary.termsIn(ascii ? original : toUtf8(original));
      }
    }
    mix(out.strings[s].size());
    for (size_t t : out.strings[s]) mix(t);
  }
  out.key = key | 1;  // never 0, the key of no glossary
  if (memo) *memo = {generation, m.scriptGeneration, std::move(originals), out};
  return out;
}

namespace {

uint64_t GlossaryKey(const StateSpelling& spelling) {
  return spelling.glossary && spelling.terms ? spelling.terms->key : 0;
}

}  // namespace

BlockProgress ProgressOnDisk(const std::string& path, uint32_t strings, const LintOptions& options,
                             const StateSpelling& glossary) {
  BlockProgress p;
  p.strings = strings;
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
  if (!bytes) return p;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  p = Tally(StatesOf(text, strings, options, {.glossary = glossary.glossary, .terms = glossary.terms}));
  p.exists = true;
  return p;
}

const std::vector<StringStatus>& StatesOf(std::string_view text, uint32_t strings, const LintOptions& options,
                                          const StateSpelling& spelling, StatesMemo& memo) {
  const bool reusable = memo.states.size() == strings && memo.sections.size() == strings &&
                        memo.options.variableWidth == options.variableWidth &&
                        memo.options.playerWidth == options.playerWidth && memo.checker == spelling.checker &&
                        memo.glossaryKey == GlossaryKey(spelling);
  // The same text (a block shown as it was counted): every section is as it was.
  if (reusable && text == memo.text &&
      (!spelling.checker || (spelling.skipLine == memo.skipLine && spelling.skipEnd == memo.skipEnd)))
    return memo.states;
  const SectionIndex index(text, strings);
  const auto holdsWordTyped = [&](const StatesMemo::Section& s, int skipLine) {
    return spelling.checker && skipLine >= 0 && s.header >= 0 && skipLine >= s.header && skipLine <= s.last;
  };
  std::vector<StringStatus> states(strings);
  std::vector<StatesMemo::Section> sections(strings);
  std::vector<std::string> lines;
  const std::vector<int> shown = ShownHeaderLines(index);
  for (uint32_t n = 0; n < strings; ++n) {
    StatesMemo::Section& now = sections[n];
    now.header = index.header(n);
    if (now.header >= 0) {
      now.last = index.lastLine(n);
      now.start = index.lines()[static_cast<size_t>(now.header)].start;
      now.end = index.lines()[static_cast<size_t>(now.last)].end;
    }
    if (reusable) {
      const StatesMemo::Section& was = memo.sections[n];
      const bool same = (now.header < 0) == (was.header < 0) &&
                        text.substr(now.start, now.end - now.start) ==
                            std::string_view(memo.text).substr(was.start, was.end - was.start) &&
                        !holdsWordTyped(now, spelling.skipLine) && !holdsWordTyped(was, memo.skipLine) &&
                        // Where another section is shown for it, that one's place and text count.
                        !memo.states[n].shownElsewhere && (shown[n] < 0 || shown[n] == now.header);
      if (same) {
        states[n] = std::move(memo.states[n]);
        states[n].headerLine = now.header;
        continue;
      }
    }
    states[n] = StateOf(index, n, options, spelling, lines);
    MarkShownElsewhere(states[n], index, n, shown[n]);
  }
  if (text != memo.text) memo.text.assign(text);
  memo.states = std::move(states);
  memo.sections = std::move(sections);
  memo.options = options;
  memo.checker = spelling.checker;
  memo.skipLine = spelling.skipLine;
  memo.skipEnd = spelling.skipEnd;
  memo.glossaryKey = GlossaryKey(spelling);
  return memo.states;
}

StatesOnDisk CountOnDisk(const std::string& path, uint32_t strings, const LintOptions& options,
                         const StateSpelling& glossary) {
  StatesOnDisk out;
  out.progress.strings = strings;
  out.memo.options = options;
  FileIdentity seen;
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path, &seen);
  if (!bytes) {
    if (!FileExists(path)) out.stamp = AbsentStamp();  // one that appears is counted then
    return out;
  }
  out.stamp = StampOf(seen, *bytes);
  const std::string text =
      FileBytesToEditorText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  out.progress = Tally(
      StatesOf(text, strings, options, {.glossary = glossary.glossary, .terms = glossary.terms}, out.memo));
  out.progress.exists = true;
  return out;
}

std::string ProgressText(const BlockProgress& progress) {
  return Format("%u of %u translated, %u with findings", progress.translated, progress.strings,
                progress.withFindings);
}

std::string StateText(const StringStatus& status) {
  constexpr size_t kWordsNamed = 8;  // a tooltip, not a report: the rest are counted
  std::string out;
  switch (status.state) {
    case StringState::kUntranslated: return "Not translated";
    case StringState::kTranslated: out = "Translated"; break;
    case StringState::kWithFindings:
      for (const LintFinding& f : status.findings) {
        if (!out.empty()) out += '\n';
        // Appended piece by piece: a block's tooltips are made for thousands of strings at once.
        out += "line ";
        out += std::to_string(f.line);
        out += ", column ";
        out += std::to_string(f.column);
        out += ": ";
        out += f.message;
      }
      break;
  }
  if (!status.misspelled()) return out;
  const size_t count = status.unknownWords.size();
  out += count == 1 ? "\nSpelling: unknown word " : "\nSpelling: unknown words ";
  for (size_t i = 0; i < count && i < kWordsNamed; ++i)
    out += (i == 0 ? "\"" : ", \"") + Cp1252ToUtf8(status.unknownWords[i]) + "\"";
  if (count > kWordsNamed) out += Format(" and %zu more", count - kWordsNamed);
  return out;
}

}  // namespace ts2
