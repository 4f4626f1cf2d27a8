#include "views/place.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "core/fileutil.h"
#include "core/forms.h"
#include "views/block_name.h"
#include "views/sections.h"

namespace ts2 {

namespace {

char Lower(char c) {
  return AsciiLower(c);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Takes `prefix` (compared without regard to ASCII case) off the front of `text`.
bool Take(std::string_view& text, std::string_view prefix) {
  if (!StartsWithNoCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Takes a run of decimal digits off the front of `text` as a number that fits T.
template <typename T>
std::optional<T> TakeNumber(std::string_view& text) {
  const size_t digits =
      static_cast<size_t>(std::find_if_not(text.begin(), text.end(), IsDigit) - text.begin());
  T value{};
  if (digits == 0 || std::from_chars(text.data(), text.data() + digits, value).ec != std::errc())
    return std::nullopt;
  text.remove_prefix(digits);
  return value;
}

std::optional<uint32_t> WholeNumber(std::string_view word) {
  const std::optional<uint32_t> n = TakeNumber<uint32_t>(word);
  return n && word.empty() ? n : std::nullopt;
}

// "NAME.txt" followed by what the tools print after it: ":LINE", then ": string N", then
// ", line L (file line F)", then ": column C"; or " .STRING N" as a PO context gives it.
std::optional<PlaceRequest> FilePlace(std::string_view text, size_t txt) {
  const size_t start = text.substr(0, txt).find_last_of("/\\ \"'") + 1;  // npos + 1 is 0
  PlaceRequest place;
  place.file = std::string(text.substr(start, txt + 4 - start));
  if (place.file.size() == 4) return std::nullopt;  // ".txt" alone
  std::string_view rest = text.substr(txt + 4);
  if (Take(rest, " .string ")) {
    place.string = TakeNumber<uint32_t>(rest);
    return place.string && Trim(rest).find_first_not_of('"') == std::string::npos ? std::optional(place)
                                                                                  : std::nullopt;
  }
  if (!Take(rest, ":")) return Trim(rest).empty() ? std::optional(place) : std::nullopt;
  place.line = TakeNumber<int>(rest);
  if (!place.line || *place.line < 1) return std::nullopt;
  if (Take(rest, ": string ")) {
    place.string = TakeNumber<uint32_t>(rest);
    if (!place.string) return std::nullopt;
    std::string_view fileLine = rest;
    if (Take(fileLine, ", line ") && TakeNumber<int>(fileLine) && Take(fileLine, " (file line ") &&
        TakeNumber<int>(fileLine) && Take(fileLine, ")"))
      rest = fileLine;
    std::string_view column = rest;
    if (Take(column, ": column ")) {
      place.column = TakeNumber<int>(column);
      if (!place.column || *place.column < 1) return std::nullopt;
    }
  }
  return place;  // anything further is a message or the matched line
}

}  // namespace

std::optional<PlaceRequest> ParsePlace(std::string_view input) {
  const std::string trimmed = Trim(input);
  std::string_view text = trimmed;
  if (Take(text, "#:") || Take(text, "msgctxt"))
    text = text.substr(std::min(text.size(), text.find_first_not_of(' ')));
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  if (const size_t txt = lower.find(".txt"); txt != std::string::npos) return FilePlace(text, txt);

  // A block and a string: what follows ": " is a message or a matched text.
  text = text.substr(0, text.find(": "));
  std::string words(text);
  std::replace_if(
      words.begin(), words.end(), [](char c) { return c == ':' || c == ',' || c == '\t'; }, ' ');
  std::vector<std::string> tokens;
  for (size_t at = 0; (at = words.find_first_not_of(' ', at)) != std::string::npos;) {
    const size_t end = std::min(words.size(), words.find(' ', at));
    tokens.push_back(words.substr(at, end - at));
    at = end;
  }
  PlaceRequest place;
  std::vector<std::string> bare;
  for (size_t i = 0; i < tokens.size(); ++i) {
    std::string word = tokens[i];
    std::transform(word.begin(), word.end(), word.begin(), Lower);
    const bool named = i + 1 < tokens.size();
    if (word == "block" && named && place.block.empty()) {
      place.block = tokens[++i];
    } else if ((word == "string" || word == "string#") && named && !place.string) {
      place.string = WholeNumber(tokens[++i]);
      if (!place.string) return std::nullopt;
    } else if (word.starts_with("string#") && word.size() > 7 && !place.string) {
      place.string = WholeNumber(std::string_view(word).substr(7));
      if (!place.string) return std::nullopt;
    } else {
      bare.push_back(tokens[i]);
    }
  }
  // Unnamed words: a string alone, or a block then a string.
  if (bare.size() == 2 && place.block.empty() && !place.string) {
    place.block = bare[0];
    place.string = WholeNumber(bare[1]);
    if (!place.string) return std::nullopt;
  } else if (bare.size() == 1 && !place.string) {
    place.string = WholeNumber(bare[0]);
    if (!place.string) return std::nullopt;
  } else if (!bare.empty()) {
    return std::nullopt;
  }
  if (!place.block.empty() && !ParseBlockArg(place.block)) return std::nullopt;
  if (place.block.empty() && !place.string) return std::nullopt;
  return place;
}

ResolvedPlace ResolvePlace(const TmyForm& form, const PlaceRequest& place,
                           const std::vector<ScriptBlock>& blocks, int current, const TextOfBlock& textOf) {
  ResolvedPlace out;
  out.block = current;
  out.string = place.string;
  out.line = place.line;
  out.column = place.column;
  const ListBox& list = form.ui.list(ControlId::bList);
  if (!place.block.empty()) {
    const ResolvedBlock block = ResolveBlock(form, *ParseBlockArg(place.block));
    if (!block.index) {
      out.error = Format("There is no block %s: the data file lists %d.", place.block.c_str(),
                         std::min(list.count(), kMaxBlocks));
      return out;
    }
    out.block = *block.index;
  } else if (!place.file.empty()) {
    const auto named = std::find_if(blocks.begin(), blocks.end(), [&](const ScriptBlock& b) {
      const std::string name = ExtractFileName(b.file);
      return std::equal(name.begin(), name.end(), place.file.begin(), place.file.end(),
                        [](char a, char b) { return Lower(a) == Lower(b); });
    });
    if (named == blocks.end()) {
      out.error = "No block of this script has the translation file \"" + place.file + "\".";
      return out;
    }
    out.block = named->index;
  }
  const auto at =
      std::find_if(blocks.begin(), blocks.end(), [&](const ScriptBlock& b) { return b.index == out.block; });
  if (at == blocks.end()) {
    out.error = "No block is shown: name a block as well (CA0000 12).";
    return out;
  }
  if (out.string && *out.string >= at->strings) {
    out.error = Format("%s has %u strings: there is no string %u.", list.line(at->index).c_str(), at->strings,
                       static_cast<unsigned>(*out.string));
    return out;
  }
  if (out.line) {
    const std::optional<std::string> file = textOf(*at);
    const std::string text = file ? FileBytesToEditorText(*file) : std::string();
    const SectionIndex index(text, at->strings);
    if (!file || *out.line > static_cast<int>(index.lines().size())) {
      out.error = Format("\"%s\" has no line %d.", ExtractFileName(at->file).c_str(), *out.line);
      return out;
    }
    for (uint32_t s = 0; s < index.strings() && !out.string; ++s)  // the string whose section holds it
      if (index.header(s) >= 0 && index.header(s) <= *out.line - 1 && *out.line - 1 <= index.lastLine(s))
        out.string = s;
  }
  return out;
}

}  // namespace ts2
