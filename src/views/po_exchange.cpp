// The script out to a PO file and the translations of one back in.
#include "views/po_exchange.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <unordered_map>

#include "core/cp1252.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "core/utf8.h"
#include "display/encode.h"
#include "script/textfile.h"
#include "views/original.h"
#include "views/sections.h"
#include "views/similar.h"
#include "views/states.h"

namespace ts2 {

namespace {

constexpr std::string_view kContextSection = " .STRING ";

std::string HeaderText(const std::string& language) {
  return "Project-Id-Version: Tormel Saragon 2\n"
         "Report-Msgid-Bugs-To: \n"
         "PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\n"
         "Last-Translator: FULL NAME <EMAIL@ADDRESS>\n"
         "Language-Team: LANGUAGE <LL@li.org>\n"
         "Language: " +
         language +
         "\n"
         "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=UTF-8\n"
         "Content-Transfer-Encoding: 8bit\n";
}

// The line end a text uses (its first one), CR LF for a text without one.
std::string LineEndOf(std::string_view text) {
  const size_t at = text.find_first_of("\r\n");
  if (at == std::string_view::npos) return "\r\n";
  if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
  return "\n";
}

bool EndsWithLineEnd(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// A msgstr as the translation file's lines (Windows-1252), or the reason it cannot be one.
struct BodyText {
  std::vector<std::string> lines;
  std::string error;
  // A control character is refused only where the entry changes its section: an export of a
  // file that holds one (a mistake `check` names) comes back unchanged.
  std::string errorIfChanged;
};
BodyText ToBodyLines(const std::string& str) {
  BodyText out;
  const std::optional<std::u32string> decoded = FromUtf8(str);
  if (!decoded) {
    out.error = "the translation is not UTF-8";
    return out;
  }
  const std::optional<std::u32string> chars = ComposeForCp1252(*decoded);
  // The lines as the file's bytes, each character converted as it is checked.
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < chars->size(); ++i) {
    const char32_t c = (*chars)[i];
    if (c == U'\r' || c == U'\n') {
      if (c == U'\r' && i + 1 < chars->size() && (*chars)[i + 1] == U'\n') ++i;
      lines.emplace_back();
      continue;
    }
    if ((c < 0x20 && c != U'\t') || c == 0x7F) {
      if (out.errorIfChanged.empty())
        out.errorIfChanged =
            Format("the translation holds the control character U+%04X", static_cast<unsigned>(c));
      lines.back() += static_cast<char>(c);
      continue;
    }
    const std::optional<uint8_t> byte = cp1252::FromUnicode(c);
    if (!byte) {
      out.error = Format("the translation holds '%s' (U+%04X), which translation files cannot hold",
                         ToUtf8(std::u32string(1, c)).c_str(), static_cast<unsigned>(c));
      return out;
    }
    lines.back() += static_cast<char>(*byte);
  }
  for (size_t k = 0; k < lines.size(); ++k) {
    if (IsSectionEnd(lines[k])) {
      out.error = Format("line %zu of the translation reads .ENDS, which would end the section there", k + 1);
      return out;
    }
    // Read after the first line, one beginning ".ENDS" in any case ends the string's bytes there.
    if (k > 0 && StartsWithNoCase(lines[k], kClosingLine)) {
      out.error =
          Format("line %zu of the translation begins with .ENDS, which would end the string there", k + 1);
      return out;
    }
    if (!SectionHeadersOn(lines[k]).empty()) {
      out.error = Format(
          "line %zu of the translation holds a section header, which would start another section", k + 1);
      return out;
    }
  }
  out.lines = std::move(lines);
  return out;
}

// Whether the text's last line lies in a section that no closing line ends (headers of any
// number count, as they end a body).
bool EndsInOpenSection(const SectionIndex& index) {
  for (int l = static_cast<int>(index.lines().size()) - 1; l >= 0; --l) {
    const std::string_view line = index.line(l);
    if (IsSectionEnd(line)) return false;
    if (!SectionHeadersOn(line).empty()) return true;
  }
  return false;
}

struct Edit {
  size_t from = 0, to = 0;  // bytes of the text replaced
  uint32_t string = 0;
  std::string with;
};

std::string Joined(const std::vector<std::string>& lines, const std::string& eol) {
  std::string out;
  for (const std::string& l : lines) out += l + eol;
  return out;
}

// A translation text indexed for planning: where each string's new section would go.
struct Planned {
  Planned(std::string_view text, uint32_t strings) : index(text, strings), nearestAbove(strings + 1, -1) {
    // Per string, the first line holding a header of a higher string: sections of higher strings
    // may stand earlier in the file than lower ones.
    for (uint32_t n = strings; n-- > 0;) {
      const int below = nearestAbove[n + 1], h = index.header(n);
      nearestAbove[n] = h < 0 ? below : below < 0 ? h : std::min(h, below);
    }
    endsOpen = EndsInOpenSection(index);
  }
  SectionIndex index;
  std::vector<int> nearestAbove;  // [n + 1]: for string n
  bool endsOpen = false;
};

// The edit that makes string n's section (or a new one) hold `body`; std::nullopt when it already
// does.
std::optional<Edit> SectionEdit(const Planned& planned, uint32_t n, const std::vector<std::string>& body,
                                const std::string& eol) {
  const SectionIndex& index = planned.index;
  const std::string_view text = index.text();
  const auto& lines = index.lines();
  const int count = static_cast<int>(lines.size());
  if (index.header(n) >= 0) {
    const auto [first, end] = index.body(n);
    std::vector<std::string> now;
    for (int l = first; l < end; ++l) now.emplace_back(index.line(l));
    if (now == body) return std::nullopt;
    return Edit{first < count ? lines[static_cast<size_t>(first)].start : text.size(),
                end < count ? lines[static_cast<size_t>(end)].start : text.size(), n, Joined(body, eol)};
  }
  // A new section, before the first section of a higher string or after the last line.
  const std::string section =
      Format(kSectionHeaderFormat, static_cast<int>(n)) + eol + Joined(body, eol) + kSectionEnd + eol;
  if (const int above = planned.nearestAbove[n + 1]; above >= 0) {
    const size_t at = lines[static_cast<size_t>(above)].start;
    return Edit{at, at, n, section + eol + eol + eol};
  }
  // After a section with no closing line, the new header ends its body: blank lines between
  // would become part of it.
  const std::string lead = text.empty() || planned.endsOpen ? std::string() : eol + eol + eol;
  return Edit{text.size(), text.size(), n, lead + section};
}

std::string Applied(std::string_view text, std::vector<Edit> edits) {
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
    return a.from != b.from ? a.from < b.from : a.string < b.string;
  });
  std::string out;
  size_t at = 0;
  for (const Edit& e : edits) {
    if (e.from < at) continue;  // edits never overlap: sections are planned once each
    out.append(text.substr(at, e.from - at));
    // After a line that ends in a lone CR, an inserted text's first LF would join it into one
    // CR LF, and the empty line it ends (a body's first, or a blank line) would be gone.
    if (!out.empty() && out.back() == '\r' && !e.with.empty() && e.with.front() == '\n') out += '\r';
    out += e.with;
    at = e.to;
  }
  out.append(text.substr(at));
  return out;
}

}  // namespace

namespace {

// gettext's check wants msgid and msgstr to begin alike and end alike with a line break or
// without; a translation that begins or ends with an empty line is kept, and the original (which
// the import does not read) is made to match it.
void MatchLineBreaksAtEnds(std::string& id, const std::string& str) {
  if (str.empty()) return;
  const bool front = str.front() == '\n', back = str.back() == '\n';
  if (front && (id.empty() || id.front() != '\n')) id.insert(id.begin(), '\n');
  while (!front && !id.empty() && id.front() == '\n') id.erase(id.begin());
  if (back && id.back() != '\n') id.push_back('\n');
  while (!back && !id.empty() && id.back() == '\n') id.pop_back();
}

}  // namespace

std::string PoContext(const ScriptBlock& block, uint32_t n) {
  return ExtractFileName(block.file) + std::string(kContextSection) + std::to_string(n);
}

std::string ScriptToPo(const TmyForm& form, const std::vector<ScriptBlock>& blocks, const TextOfBlock& textOf,
                       const OriginalToUtf8& toUtf8, const PoExportOptions& options, PoExportCount* count) {
  PoExportCount counted;
  po::Entry header;
  header.comments = {"Tormel Saragon 2: the script's strings and their translations.",
                     "msgctxt names the translation file and the string's section; msgid is the",
                     "original text, msgstr the section's lines. Comments (#.) give the block and",
                     "what the translation box check finds."};
  header.str = HeaderText(options.language);
  std::string out = po::Write(header);

  const ListBox& list = form.ui.list(ControlId::bList);
  for (const ScriptBlock& b : BlocksByFile(blocks)) {
    const std::optional<std::string> text = textOf(b);
    const SectionIndex index(text ? std::string_view(*text) : std::string_view(), b.strings);
    const std::string name = ExtractFileName(b.file), shown = list.line(b.index);
    std::vector<std::string> sectionLines;
    for (uint32_t s = 0; s < b.strings; ++s) {
      po::Entry e;
      e.extracted.push_back(Cp1252ToUtf8(shown) + ", string " + std::to_string(s));
      e.context = PoContext(b, s);
      bool findings = false;
      e.id = OriginalUtf8(OriginalTextOf(form, b.index, s), toUtf8);
      const std::vector<size_t> terms =
          options.glossary ? options.glossary->termsIn(e.id) : std::vector<size_t>();
      if (index.header(s) >= 0) {
        e.references.push_back(name + ":" + std::to_string(index.header(s) + 1));
        const StringStatus status = StateOf(index, s, options.lint);
        findings = status.state == StringState::kWithFindings;
        for (const LintFinding& f : status.findings)
          e.extracted.push_back(Format("line %d (column %d): ", f.line, f.column) + Cp1252ToUtf8(f.message));
        if (!terms.empty()) {
          index.sectionLines(s, sectionLines);
          for (const LintFinding& f : options.glossary->findings(terms, sectionLines)) {
            e.extracted.push_back(Format("line %d (column %d): ", f.line, f.column) + f.message);  // UTF-8
            findings = true;
          }
        }
        // Translated as List Data counts it: a body of blanks and control characters is not.
        const std::vector<std::string> body = index.translation(s);
        for (size_t k = 0; k < body.size(); ++k) e.str += (k ? "\n" : "") + Cp1252ToUtf8(body[k]);
      } else {
        e.references.push_back(name);
      }
      const bool translated = !e.str.empty();
      const bool wanted = (!options.onlyUntranslated && !options.onlyFindings) ||
                          (options.onlyUntranslated && !translated) || (options.onlyFindings && findings);
      if (!wanted) continue;
      if (!translated && options.memory && options.suggestAt > 0) {
        const std::vector<SimilarMatch> best = options.memory->Similar(b.index, s, options.suggestAt, 1);
        const ScriptBlock* from = best.empty() ? nullptr : options.memory->block(best[0].block);
        if (from) {
          for (size_t k = 0; k < best[0].translation.size(); ++k)
            e.str += (k ? "\n" : "") + Cp1252ToUtf8(best[0].translation[k]);
          e.flags.push_back("fuzzy");
          e.extracted.push_back(Format("Similar (%d%%): ", best[0].percent) +
                                PoContext(*from, best[0].string));
        }
      }
      for (size_t t : terms) {
        const GlossaryTerm& term = options.glossary->terms()[t];
        std::string line = "Glossary: " + term.source + " = ";
        for (size_t k = 0; k < term.targets.size(); ++k)
          line += (k ? " / " : "") + Cp1252ToUtf8(term.targets[k]);
        if (!term.note.empty()) line += " (" + term.note + ")";
        e.extracted.push_back(std::move(line));
      }
      MatchLineBreaksAtEnds(e.id, e.str);
      out += '\n';
      out += po::Write(e);
      ++counted.strings;
      counted.translated += translated ? 1 : 0;
    }
    ++counted.files;
  }
  if (count) *count = counted;
  return out;
}

BodiesReplaced ReplaceBodies(std::string_view before, uint32_t strings, const std::vector<NewBody>& bodies) {
  BodiesReplaced out;
  const std::string eol = LineEndOf(before);
  // Planned on the text with a line end after its last line, which opens no further line: then
  // every line, the last too, ends alike. The text keeps its end as it was unless an edit is made
  // there.
  const bool ended = before.empty() || EndsWithLineEnd(before);
  const std::string text = ended ? std::string(before) : std::string(before) + eol;
  const Planned planned(text, strings);
  std::vector<Edit> edits;
  std::map<int, uint32_t> headerLines;  // of the strings given, to the first string on each
  for (const NewBody& b : bodies) {
    if (b.string >= strings) continue;
    const int header = planned.index.header(b.string);
    if (header >= 0) {
      const auto [other, added] = headerLines.emplace(header, b.string);
      if (!added) {
        // The same body again (an unchanged export of such a file) asks nothing of the section.
        if (SectionEdit(planned, b.string, b.lines, eol)) {
          out.shared.push_back({&b, other->second, header});
        } else {
          ++out.same;
        }
        continue;
      }
    }
    std::optional<Edit> edit = SectionEdit(planned, b.string, b.lines, eol);
    if (!edit) {
      ++out.same;
      continue;
    }
    out.changed.push_back(b.string);
    edits.push_back(std::move(*edit));
  }
  std::sort(out.changed.begin(), out.changed.end());
  const bool atEnd =
      std::any_of(edits.begin(), edits.end(), [&](const Edit& e) { return e.to == text.size(); });
  out.text = Applied(text, std::move(edits));
  if (!ended && !atEnd) out.text.resize(out.text.size() - eol.size());
  return out;
}

PoImport PlanPoImport(const std::vector<po::Entry>& entries, const std::vector<ScriptBlock>& blocks,
                      const TextOfBlock& textOf, bool takeFuzzy) {
  PoImport out;
  const std::vector<ScriptBlock> files = BlocksByFile(blocks);
  std::map<std::string, size_t> byName;
  for (size_t i = 0; i < files.size(); ++i) byName.emplace(ExtractFileName(files[i].file), i);

  // Every entry's place and lines first: a file with one bad entry is not written at all.
  struct Wanted {
    uint32_t string;
    std::vector<std::string> body;
    int line;                    // of the entry
    std::string errorIfChanged;  // refused only when it changes the section
  };
  std::vector<std::vector<Wanted>> wanted(files.size());
  std::map<std::pair<size_t, uint32_t>, int> seen;
  for (const po::Entry& e : entries) {
    if (e.header()) continue;
    const std::string at = std::to_string(e.line) + ": ";
    const size_t split = e.context ? e.context->rfind(kContextSection) : std::string::npos;
    if (split == std::string::npos) {
      out.errors.push_back(at +
                           "the entry has no context naming a translation file and a string (msgctxt \"" +
                           std::string("000A0000.txt .STRING 3") + "\")");
      continue;
    }
    const std::string name = e.context->substr(0, split),
                      number = e.context->substr(split + kContextSection.size());
    const auto file = byName.find(name);
    if (file == byName.end()) {
      out.errors.push_back(at + "no block of the data file has the translation file " + name);
      continue;
    }
    const ScriptBlock& block = files[file->second];
    const bool digits =
        !number.empty() && number.size() <= 9 &&
        std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        (number.size() == 1 || number[0] != '0');
    if (!digits || std::stoul(number) >= block.strings) {
      out.errors.push_back(at + name + " has no string " + number + " (its block has " +
                           Plural(block.strings, "string", "strings") + ")");
      continue;
    }
    const auto n = static_cast<uint32_t>(std::stoul(number));
    if (const auto [first, added] = seen.emplace(std::make_pair(file->second, n), e.line); !added) {
      out.errors.push_back(at + "string " + number + " of " + name + " is given twice (first at line " +
                           std::to_string(first->second) + ")");
      continue;
    }
    if (e.fuzzy() && !takeFuzzy) {
      ++out.fuzzy;
      continue;
    }
    // Blanks alone are no translation, as the export writes a body of them: never one that
    // clears the string's text.
    if (e.str.find_first_not_of(" \t\n") == std::string::npos) {
      ++out.untranslated;
      continue;
    }
    BodyText body = ToBodyLines(e.str);
    if (!body.error.empty()) {
      out.errors.push_back(at + body.error);
      continue;
    }
    wanted[file->second].push_back({n, std::move(body.lines), e.line, std::move(body.errorIfChanged)});
  }
  if (!out.errors.empty()) return out;

  for (size_t i = 0; i < files.size(); ++i) {
    if (wanted[i].empty()) continue;
    const ScriptBlock& block = files[i];
    const std::optional<std::string> existing = textOf(block);
    if (!existing) {
      // No text: a new file is made, unless one is there that could not be read.
      std::string why = ReadErrorOf(block.file);
      std::error_code ec;
      if (why.empty() &&
          std::filesystem::symlink_status(block.file, ec).type() != std::filesystem::file_type::not_found &&
          !ec)
        why = "it could not be read";
      if (!why.empty()) {
        out.unreadable.push_back(block.file + ": " + why);
        continue;
      }
    }
    std::vector<NewBody> bodies;
    std::map<uint32_t, const Wanted*> byString;
    for (Wanted& w : wanted[i]) {
      bodies.push_back({w.string, std::move(w.body), w.line});
      byString.emplace(w.string, &w);
    }
    BodiesReplaced replaced =
        ReplaceBodies(existing ? *existing : TranslationSkeleton(block.strings), block.strings, bodies);
    for (uint32_t s : replaced.changed)
      if (const Wanted* w = byString[s]; w && !w->errorIfChanged.empty())
        out.errors.push_back(std::to_string(w->line) + ": " + w->errorIfChanged);
    for (const BodiesReplaced::Shared& shared : replaced.shared)
      out.errors.push_back(
          Format("%d: the header of string %u of %s is on the line of string %u's (line "
                 "%d): one section cannot take two translations",
                 shared.body->tag, shared.body->string, ExtractFileName(block.file).c_str(), shared.with,
                 shared.headerLine + 1));
    out.same += replaced.same;
    out.changed += replaced.changed.size();
    if (replaced.changed.empty()) continue;
    out.files.push_back({block.file, std::move(replaced.text), !existing, std::move(replaced.changed)});
  }
  if (!out.errors.empty() || !out.unreadable.empty()) out.files.clear();
  return out;
}

Repeats PlanRepeats(const TmyForm& form, const std::vector<ScriptBlock>& blocks, const TextOfBlock& textOf,
                    const OriginalToUtf8& toUtf8) {
  struct Translation {
    std::vector<std::string> body;  // the first translated string's body lines
    std::vector<std::string> places;
    bool differs = false;
  };
  std::unordered_map<std::string, Translation> translated;  // by original
  struct Pending {
    const ScriptBlock* block;
    uint32_t string;
    std::string original;
    int sharedWith = -1;  // the first other string whose header is on its header's line
    int headerLine = -1;
  };
  std::vector<Pending> pending;
  const std::vector<ScriptBlock> files = BlocksByFile(blocks);
  const ListBox& list = form.ui.list(ControlId::bList);
  for (const ScriptBlock& b : files) {
    const std::optional<std::string> text = textOf(b);
    const SectionIndex index(text ? std::string_view(*text) : std::string_view(), b.strings);
    std::map<int, std::vector<uint32_t>> onLine;  // the strings whose headers each line holds
    for (uint32_t s = 0; s < b.strings; ++s)
      if (index.header(s) >= 0) onLine[index.header(s)].push_back(s);
    for (uint32_t s = 0; s < b.strings; ++s) {
      std::string original = OriginalTextOf(form, b.index, s);
      if (original.empty()) continue;
      std::vector<std::string> body = index.translation(s);
      if (body.empty()) {
        Pending& p = pending.emplace_back(Pending{&b, s, std::move(original)});
        if (const int line = index.header(s); line >= 0)
          for (const uint32_t other : onLine[line])
            if (other != s) {
              p.sharedWith = static_cast<int>(other);
              p.headerLine = line;
              break;
            }
        continue;
      }
      Translation& t = translated[original];
      if (t.places.empty())
        t.body = std::move(body);
      else
        t.differs = t.differs || body != t.body;
      t.places.push_back(Cp1252ToUtf8(list.line(b.index)) + " string " + std::to_string(s));
    }
  }
  Repeats out;
  for (const Pending& p : pending) {
    const auto found = translated.find(p.original);
    if (found == translated.end() || found->second.differs) continue;
    const std::string where = Cp1252ToUtf8(list.line(p.block->index)) + " string " +
                              std::to_string(p.string) + " not filled from " + found->second.places.front() +
                              ": ";
    if (p.sharedWith >= 0) {
      // Its section is another string's as well: filling it would fill that one too.
      out.refused.push_back(where + Format("its header is on the line of string %d's (line %d), whose "
                                           "section it shares",
                                           p.sharedWith, p.headerLine + 1));
      continue;
    }
    po::Entry e;
    e.context = PoContext(*p.block, p.string);
    for (size_t k = 0; k < found->second.body.size(); ++k)
      e.str += (k ? "\n" : "") + Cp1252ToUtf8(found->second.body[k]);
    // What an import would refuse for this string is left out here, so that the others are filled.
    if (const BodyText body = ToBodyLines(e.str); !body.error.empty() || !body.errorIfChanged.empty()) {
      out.refused.push_back(where + (body.error.empty() ? body.errorIfChanged : body.error));
      continue;
    }
    e.id = toUtf8(p.original);
    out.entries.push_back(std::move(e));
  }
  for (const auto& [original, t] : translated) {
    if (!t.differs) continue;
    std::string places;
    for (const std::string& p : t.places) places += (places.empty() ? "" : ", ") + p;
    std::string shown = original;
    for (size_t at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at))
      shown.replace(at, 2, " ");
    out.conflicts.push_back(places + ": \"" + toUtf8(shown) + "\"");
  }
  std::sort(out.conflicts.begin(), out.conflicts.end());
  return out;
}

std::vector<TranslatedOtherwise> FindTranslatedOtherwise(const TmyForm& form,
                                                         const std::vector<ScriptBlock>& blocks,
                                                         const TextOfBlock& textOf) {
  struct First {
    int32_t block;
    uint32_t string;
    std::vector<std::string> translation;
  };
  std::unordered_map<std::string, First> first;  // by original
  std::vector<TranslatedOtherwise> out;
  for (const ScriptBlock& b : BlocksByFile(blocks)) {
    const std::optional<std::string> text = textOf(b);
    const SectionIndex index(text ? std::string_view(*text) : std::string_view(), b.strings);
    for (uint32_t s = 0; s < b.strings; ++s) {
      std::vector<std::string> translation = index.translation(s);
      if (translation.empty()) continue;
      std::string original = OriginalTextOf(form, b.index, s);
      if (original.empty()) continue;
      const auto [at, added] = first.try_emplace(std::move(original), First{b.index, s, {}});
      if (added)
        at->second.translation = std::move(translation);
      else if (translation != at->second.translation)
        out.push_back({b.index, s, at->second.block, at->second.string, at->second.translation});
    }
  }
  return out;
}

LintFinding OtherwiseFinding(const TmyForm& form, const TranslatedOtherwise& o) {
  std::string translation;
  for (const std::string& line : o.firstTranslation)
    translation += (translation.empty() ? "" : " / ") + Cp1252ToUtf8(line);
  return {LintKind::kOtherwise, 1, 1,
          "the same original is translated \"" + translation + "\" in " +
              Cp1252ToUtf8(form.ui.list(ControlId::bList).line(o.firstBlock)) + " string " +
              std::to_string(o.firstString)};
}

Difference DifferenceOf(std::string_view before, std::string_view after) {
  size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  return {head, before.size() - head - tail, std::string(after.substr(head, after.size() - head - tail))};
}

}  // namespace ts2
