// Similar Strings: likeness of original texts and the script's translated strings.
#include "views/similar.h"

#include <algorithm>
#include <array>
#include <set>
#include <span>
#include <unordered_map>
#include <utility>

#include "core/utf8.h"
#include "views/original.h"
#include "views/sections.h"

namespace ts2 {

namespace {

// The largest distance that still makes `atLeast` percent for texts whose longer one has
// `longer` characters.
size_t MaxDistance(size_t longer, int atLeast) {
  return longer * static_cast<size_t>(100 - std::clamp(atLeast, 0, 100)) / 100;
}

constexpr size_t kLongestTag = 40;  // characters of a bracketed name, brackets included

int Percent(size_t longer, size_t distance) {
  return static_cast<int>(100 * (longer - distance) / longer);
}

// One original measured against many (see `Likeness`): its characters' counts for a quick
// bound, and for an original of up to 64 characters the masks of Myers' bit-parallel edit distance
// (one machine word a column instead of a column of the table). Characters are numbers below
// `alphabet`. The tables by character are the thread's own, kept between measures and cleared of
// the original's characters after it, so a measure costs its original, not the alphabet.
class Measure {
 public:
  Measure(std::u32string_view query, size_t alphabet) : query_(query), tables_(Tables()) {
    // Each on its own: a table that could not grow is asked to again next time.
    if (tables_.equal.size() < alphabet) tables_.equal.resize(alphabet);
    if (tables_.count.size() < alphabet) tables_.count.resize(alphabet);
    for (const char32_t c : query) ++tables_.count[c];
    if (query.size() <= 64)
      for (size_t i = 0; i < query.size(); ++i) tables_.equal[query[i]] |= uint64_t{1} << i;
  }
  ~Measure() {
    for (const char32_t c : query_) tables_.count[c] = 0, tables_.equal[c] = 0;
  }
  Measure(const Measure&) = delete;
  Measure& operator=(const Measure&) = delete;

  // As Likeness(query, text, atLeast), for a non-empty query.
  int operator()(std::u32string_view text, std::span<const std::pair<char32_t, uint32_t>> counts,
                 int atLeast) const {
    const size_t m = query_.size(), n = text.size(), longer = std::max(m, n);
    const size_t limit = MaxDistance(longer, atLeast);
    if (longer - std::min(m, n) > limit) return -1;
    // Characters the two do not share each take an edit at least.
    const std::vector<uint32_t>& count = tables_.count;
    size_t common = 0;
    for (const auto& [c, k] : counts) common += std::min(k, count[c]);
    if (longer - common > limit) return -1;
    if (m > 64) return Likeness(query_, text, atLeast);
    // Column by column of the table with the query down its rows: the score is the distance of
    // the whole query to the text so far. Vertical steps of +1 and -1 are kept as bits (pv, mv).
    const std::vector<uint64_t>& equal = tables_.equal;
    uint64_t pv = ~uint64_t{0}, mv = 0;
    const uint64_t last = uint64_t{1} << (m - 1);
    size_t score = m;
    for (size_t j = 0; j < n; ++j) {
      const uint64_t eq = equal[text[j]];
      const uint64_t xv = eq | mv;
      const uint64_t xh = (((eq & pv) + pv) ^ pv) | eq;
      uint64_t ph = mv | ~(xh | pv);
      uint64_t mh = pv & xh;
      if (ph & last) {
        ++score;
      } else if (mh & last) {
        --score;
      }
      // The top row is the text's length so far: each column is one more.
      ph = (ph << 1) | 1;
      mh <<= 1;
      pv = mh | ~(xv | ph);
      mv = ph & xv;
      // The score falls by one a column at most.
      if (score > limit + (n - j - 1)) return -1;
    }
    return score > limit ? -1 : Percent(longer, score);
  }

 private:
  struct ByCharacter {
    std::vector<uint32_t> count;  // the original's count of each character
    std::vector<uint64_t> equal;  // the rows of the original that hold each character
  };
  static ByCharacter& Tables() {
    thread_local ByCharacter tables;
    return tables;
  }
  std::u32string_view query_;
  ByCharacter& tables_;
};

size_t Utf8Length(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// The compared text of an original, with the byte offset in the original where each of its
// characters starts (and, last, the original's length).
struct Compared {
  std::u32string text;
  std::vector<size_t> starts;
};

Compared Compare(std::string_view originalUtf8, BracketedNames& names) {
  const std::u32string text = FromUtf8(originalUtf8).value_or(std::u32string());
  Compared out;
  out.text.reserve(text.size());
  size_t at = 0;  // byte offset of text[i]
  for (size_t i = 0; i < text.size(); ++i) {
    out.starts.push_back(at);
    at += Utf8Length(text[i]);
    if (text[i] == U'\r') {
      out.text += U'\n';
      if (i + 1 < text.size() && text[i + 1] == U'\n') at += Utf8Length(text[++i]);
      continue;
    }
    if (text[i] == U'[') {
      // A control code's name, or a code the table has no text for: one character of its own.
      const size_t close = text.find_first_of(U"[]", i + 1);
      if (close != std::u32string::npos && text[close] == U']' && close - i + 1 <= kLongestTag) {
        for (size_t k = i + 1; k <= close; ++k) at += Utf8Length(text[k]);
        out.text += names.code(std::u32string_view(text).substr(i + 1, close - i - 1));
        i = close;
        continue;
      }
    }
    out.text += text[i];
  }
  out.starts.push_back(text.empty() ? 0 : at);
  return out;
}

}  // namespace

char32_t BracketedNames::code(std::u32string_view name) {
  const auto [at, added] =
      codes_.emplace(std::u32string(name), static_cast<char32_t>(0xF0000 + codes_.size()));
  return at->second;
}

std::u32string ComparedText(std::string_view originalUtf8, BracketedNames& names) {
  return Compare(originalUtf8, names).text;
}

std::vector<std::pair<size_t, size_t>> DifferingParts(std::string_view originalUtf8,
                                                      std::string_view otherUtf8) {
  BracketedNames names;
  const Compared a = Compare(originalUtf8, names), b = Compare(otherUtf8, names);
  const size_t n = a.text.size(), m = b.text.size();
  // The whole table of distances, for walking back along one cheapest alignment.
  std::vector<uint32_t> d((n + 1) * (m + 1));
  const auto at = [&](size_t i, size_t j) -> uint32_t& { return d[i * (m + 1) + j]; };
  for (size_t i = 0; i <= n; ++i) at(i, 0) = static_cast<uint32_t>(i);
  for (size_t j = 0; j <= m; ++j) at(0, j) = static_cast<uint32_t>(j);
  for (size_t i = 1; i <= n; ++i)
    for (size_t j = 1; j <= m; ++j)
      at(i, j) = std::min({at(i - 1, j - 1) + (a.text[i - 1] == b.text[j - 1] ? 0u : 1u), at(i - 1, j) + 1,
                           at(i, j - 1) + 1});
  std::vector<bool> differs(m, true);
  for (size_t i = n, j = m; i > 0 && j > 0;) {
    if (a.text[i - 1] == b.text[j - 1] && at(i, j) == at(i - 1, j - 1)) {
      differs[--j] = false;
      --i;
    } else if (at(i, j) == at(i - 1, j - 1) + 1) {
      --i, --j;
    } else if (at(i, j) == at(i - 1, j) + 1) {
      --i;
    } else {
      --j;
    }
  }
  std::vector<std::pair<size_t, size_t>> out;
  for (size_t j = 0; j < m; ++j) {
    if (!differs[j]) continue;
    if (!out.empty() && out.back().second == b.starts[j])
      out.back().second = b.starts[j + 1];
    else
      out.emplace_back(b.starts[j], b.starts[j + 1]);
  }
  return out;
}

int Likeness(std::u32string_view a, std::u32string_view b, int atLeast) {
  if (a == b) return 100;
  if (a.size() < b.size()) std::swap(a, b);  // a is the longer
  const size_t n = a.size(), m = b.size();
  const size_t limit = MaxDistance(n, atLeast);
  if (n - m > limit) return -1;
  // Edit distance within the band |i - j| <= limit, rows of a against columns of b; a cell
  // outside the band is taken as more than the limit.
  const size_t over = limit + 1;
  std::vector<size_t> row(m + 1), next(m + 1);
  for (size_t j = 0; j <= m; ++j) row[j] = j <= limit ? j : over;
  for (size_t i = 1; i <= n; ++i) {
    const size_t from = i > limit ? i - limit : 0, to = std::min(m, i + limit);
    size_t best = over;
    if (from == 0) {
      next[0] = i <= limit ? i : over;
      best = next[0];
    } else {
      next[from - 1] = over;
    }
    for (size_t j = std::max<size_t>(from, 1); j <= to; ++j) {
      size_t d = row[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      d = std::min(d, row[j] + 1);
      d = std::min(d, next[j - 1] + 1);
      next[j] = std::min(d, over);
      best = std::min(best, next[j]);
    }
    if (to < m) next[to + 1] = over;
    if (best > limit) return -1;
    std::swap(row, next);
  }
  return row[m] > limit ? -1 : Percent(n, row[m]);
}

void TranslationMemory::Clear() {
  blocks_.clear();
  texts_.clear();
  ids_.clear();
  chars_.clear();
  counts_.clear();
  alphabet_.clear();
  names_.Clear();
}

bool TranslationMemory::has(int32_t block) const {
  return block >= 0 && static_cast<size_t>(block) < blocks_.size() && blocks_[static_cast<size_t>(block)].set;
}

const ScriptBlock* TranslationMemory::block(int32_t block) const {
  return has(block) ? &blocks_[static_cast<size_t>(block)].script : nullptr;
}

void TranslationMemory::SetBlock(const ScriptBlock& sb, const std::vector<std::string>& originalsUtf8,
                                 std::optional<std::string_view> text) {
  const int32_t block = sb.index;
  if (block < 0) return;
  if (blocks_.size() <= static_cast<size_t>(block)) blocks_.resize(static_cast<size_t>(block) + 1);
  Block& b = blocks_[static_cast<size_t>(block)];
  b.set = true;
  b.script = sb;
  b.strings.assign(originalsUtf8.size(), Entry{});
  for (size_t s = 0; s < originalsUtf8.size(); ++s) {
    Entry& e = b.strings[s];
    e.utf8 = originalsUtf8[s];
    std::u32string text = ComparedText(e.utf8, names_);
    const auto [at, added] = ids_.emplace(std::move(text), static_cast<uint32_t>(texts_.size()));
    if (added) {
      Text t{static_cast<uint32_t>(chars_.size()), static_cast<uint32_t>(at->first.size()),
             static_cast<uint32_t>(counts_.size()), 0};
      for (const char32_t c : at->first)
        chars_ += alphabet_.emplace(c, static_cast<char32_t>(alphabet_.size())).first->second;
      std::u32string sorted = chars_.substr(t.chars);
      std::sort(sorted.begin(), sorted.end());
      for (size_t k = 0; k < sorted.size(); ++k) {
        if (k == 0 || sorted[k] != sorted[k - 1]) counts_.emplace_back(sorted[k], 0);
        ++counts_.back().second;
      }
      t.distinct = static_cast<uint32_t>(counts_.size()) - t.counts;
      texts_.push_back(t);
    }
    e.text = at->second;
  }
  SetTranslations(block, text);
}

void TranslationMemory::SetTranslations(int32_t block, std::optional<std::string_view> text) {
  if (!has(block)) return;
  std::vector<Entry>& strings = blocks_[static_cast<size_t>(block)].strings;
  const SectionIndex index(text.value_or(std::string_view()), static_cast<uint32_t>(strings.size()));
  for (Entry& e : strings) {
    e.body = index.translation(static_cast<uint32_t>(&e - strings.data()));
    // Entries alike in original and translation have one key; others rarely share one.
    e.key = std::hash<std::string_view>()(e.utf8);
    for (const std::string& line : e.body)
      e.key = (e.key ^ std::hash<std::string_view>()(line)) * 0x100000001B3u + line.size();
  }
}

const std::string& TranslationMemory::original(int32_t block, uint32_t string) const {
  static const std::string kNone;
  if (!has(block)) return kNone;
  const std::vector<Entry>& strings = blocks_[static_cast<size_t>(block)].strings;
  return string < strings.size() ? strings[string].utf8 : kNone;
}

const std::vector<std::string>& TranslationMemory::translation(int32_t block, uint32_t string) const {
  static const std::vector<std::string> kNone;
  if (!has(block)) return kNone;
  const std::vector<Entry>& strings = blocks_[static_cast<size_t>(block)].strings;
  return string < strings.size() ? strings[string].body : kNone;
}

bool TranslationMemory::translated(int32_t block, uint32_t string) const {
  if (!has(block)) return false;
  const std::vector<Entry>& strings = blocks_[static_cast<size_t>(block)].strings;
  return string < strings.size() && !strings[string].body.empty();
}

std::vector<SimilarMatch> TranslationMemory::Similar(int32_t block, uint32_t string, int atLeast,
                                                     size_t limit) const {
  std::vector<SimilarMatch> out;
  if (!has(block) || string >= blocks_[static_cast<size_t>(block)].strings.size()) return out;
  const Text& query = texts_[blocks_[static_cast<size_t>(block)].strings[string].text];
  const uint32_t queryTable = blocks_[static_cast<size_t>(block)].script.table;
  if (query.length == 0) return out;
  const std::u32string_view chars(chars_);
  const std::span<const std::pair<char32_t, uint32_t>> counts(counts_);
  const Measure measure(chars.substr(query.chars, query.length), alphabet_.size());
  std::set<uint32_t> tables;  // blocks sharing a pointer table share their file: read once
  // Each original's likeness, measured once however often the game says it.
  constexpr int kUnmeasured = -2;
  std::vector<int> measured(texts_.size(), kUnmeasured);
  struct Found {
    uint32_t block, string;
  };
  std::vector<Found> found;
  std::vector<int> percents;
  for (size_t bi = 0; bi < blocks_.size(); ++bi) {
    if (!blocks_[bi].set || !tables.insert(blocks_[bi].script.table).second) continue;
    const std::vector<Entry>& strings = blocks_[bi].strings;
    for (uint32_t s = 0; s < strings.size(); ++s) {
      const Entry& e = strings[s];
      if (e.body.empty() || (blocks_[bi].script.table == queryTable && s == string)) continue;
      int& percent = measured[e.text];
      if (percent == kUnmeasured) {
        const Text& t = texts_[e.text];
        percent = t.length == 0 ? -1
                                : measure(chars.substr(t.chars, t.length),
                                          counts.subspan(t.counts, t.distinct), atLeast);
      }
      if (percent < 0) continue;
      found.push_back({static_cast<uint32_t>(bi), s});
      percents.push_back(percent);
    }
  }
  // Most alike first, in script order within a percentage (a counting sort: stable).
  std::array<size_t, 102> first{};
  for (const int p : percents) ++first[static_cast<size_t>(100 - p) + 1];
  for (size_t p = 1; p < first.size(); ++p) first[p] += first[p - 1];
  std::vector<uint32_t> order(found.size());
  for (uint32_t k = 0; k < found.size(); ++k) order[first[static_cast<size_t>(100 - percents[k])]++] = k;
  // The same original and translation elsewhere is counted with the first. Such strings are
  // equally alike, so they meet within one percentage; only what is returned is copied.
  const auto entry = [&](uint32_t k) -> const Entry& {
    return blocks_[found[k].block].strings[found[k].string];
  };
  // Where each original and translation shown from the current percentage is, by its key.
  std::unordered_multimap<uint64_t, size_t> shown;
  for (size_t g = 0; g < order.size() && out.size() < limit;) {
    const int percent = percents[order[g]];
    shown.clear();
    size_t end = g;
    for (; end < order.size() && percents[order[end]] == percent; ++end) {
      const Entry& e = entry(order[end]);
      const auto [from, to] = shown.equal_range(e.key);
      const auto same = std::find_if(from, to, [&](const auto& at) {
        return out[at.second].original == e.utf8 && out[at.second].translation == e.body;
      });
      if (same != to) {
        ++out[same->second].alike;
      } else if (out.size() < limit) {
        shown.emplace(e.key, out.size());
        out.push_back({percent, static_cast<int32_t>(found[order[end]].block), found[order[end]].string, 1,
                       e.utf8, e.body});
      }
    }
    g = end;
  }
  return out;
}

std::vector<std::string> OriginalsOf(const TmyForm& form, const ScriptBlock& block,
                                     const OriginalToUtf8& toUtf8) {
  std::vector<std::string> out(block.strings);
  const OriginalToUtf8 ascii = [](std::string_view text) { return std::string(text); };  // as it is
  for (uint32_t s = 0; s < block.strings; ++s) {
    const std::string text = OriginalTextOf(form, block.index, s);
    const bool plain =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    out[s] = OriginalUtf8(text, plain ? ascii : toUtf8);
  }
  return out;
}

TranslationMemory MemoryOf(const TmyForm& form, const std::vector<ScriptBlock>& blocks,
                           const TextOfBlock& textOf, const OriginalToUtf8& toUtf8) {
  TranslationMemory memory;
  for (const ScriptBlock& b : blocks) {
    const std::optional<std::string> text = textOf(b);
    memory.SetBlock(b, OriginalsOf(form, b, toUtf8),
                    text ? std::optional<std::string_view>(*text) : std::nullopt);
  }
  return memory;
}

}  // namespace ts2
