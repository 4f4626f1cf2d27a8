// The glossary: the CSV reader on any bytes, and its matcher against any original and
// translation. Every term it keeps must stand in its own text and be translated by a body that
// is one of its translations; the terms found are distinct and in range.
//
// A row appended to the file leaves its bytes as they were and adds no mistake to it.
//
// Input: 1 byte length of the original (UTF-8 or not), the original, 1 byte length of the body
// (Windows-1252), the body, then the CSV file.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "core/utf8.h"
#include "harness.h"
#include "views/glossary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  std::span<const uint8_t> rest = in.rest();
  const auto take = [&rest]() {
    if (rest.empty()) return std::string();
    const size_t n = std::min<size_t>(rest[0], rest.size() - 1);
    std::string s(reinterpret_cast<const char*>(rest.data()) + 1, n);
    rest = rest.subspan(n + 1);
    return s;
  };
  const std::string original = take();
  const std::string body = take();
  const ts2::Glossary glossary(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));

  int lastLine = 0;
  for (const ts2::GlossaryTerm& t : glossary.terms()) {
    if (t.source.empty() || t.targets.empty() || t.line <= lastLine) __builtin_trap();
    if (t.source.front() == ' ' || t.source.back() == ' ') __builtin_trap();
    lastLine = t.line;
  }
  for (const ts2::GlossaryError& e : glossary.errors())
    if (e.line < 1 || e.message.empty()) __builtin_trap();

  const std::vector<size_t> found = glossary.termsIn(original);
  std::vector<bool> seen(glossary.terms().size(), false);
  for (size_t t : found) {
    if (t >= seen.size() || seen[t]) __builtin_trap();
    seen[t] = true;
  }
  const std::vector<std::string> section = {".STRING 0", body, ".ENDS"};
  const std::vector<ts2::LintFinding> findings = glossary.findings(found, section);
  if (findings.size() > found.size()) __builtin_trap();

  for (size_t t = 0; t < glossary.terms().size() && t < 64; ++t) {
    const ts2::GlossaryTerm& term = glossary.terms()[t];
    const std::vector<size_t> own = glossary.termsIn(term.source);
    if (std::find(own.begin(), own.end(), t) == own.end()) __builtin_trap();
    for (const std::string& target : term.targets)
      if (!glossary.translated(t, {".STRING 0", target, ".ENDS"})) __builtin_trap();
  }
  const std::string_view file(reinterpret_cast<const char*>(rest.data()), rest.size());
  std::string error;
  const std::optional<std::string> appended =
      ts2::AppendGlossaryRow(file, original, ts2::ToUtf8(ts2::Cp1252ToUnicode(body)), "", error);
  if (appended) {
    if (!file.empty() && appended->compare(0, file.size(), file) != 0) __builtin_trap();
    if (ts2::Glossary(*appended).errors().size() != glossary.errors().size()) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
