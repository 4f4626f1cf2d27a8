#include "display/fit.h"

#include <string>

namespace ts2 {

namespace {

// One word a kind, so that a verdict fits the panel's 66 pixels at the described width.
const char* Word(LintKind kind) {
  switch (kind) {
    case LintKind::kTooWide: return "wide";
    case LintKind::kTooManyLines: return "lines";
    case LintKind::kHexRun: return "[$ run";
    case LintKind::kStrayBracket: return "stray [";
    case LintKind::kBlank: return "blank";
    case LintKind::kControlCode: return "code";
    case LintKind::kLineCut: return "cut";
    case LintKind::kEmptyEdge: return "empty";
    case LintKind::kRunOn: return "no .ENDS";
    case LintKind::kEndsEarly: return ".ENDS";
    case LintKind::kPlayerName: return "name";
    case LintKind::kUnknownWord: return "spelling";
    case LintKind::kGlossary: return "term";
    case LintKind::kOtherwise: return "otherwise";
  }
  return "?";
}

}  // namespace

FitVerdict MakeFitVerdict(const std::vector<LintFinding>& findings, long string, int headerFileLine) {
  if (findings.empty()) return {"Fits", "The translation fits its box."};
  const LintFinding& first = findings.front();
  FitVerdict verdict;
  // Put together without format passes: the fit panel shows a verdict on every key.
  verdict.brief = "L" + std::to_string(first.line) + ": " + Word(first.kind);
  if (findings.size() > 1) verdict.brief += " +" + std::to_string(findings.size() - 1);
  for (const LintFinding& f : findings) {
    if (!verdict.full.empty()) verdict.full += '\n';
    verdict.full += FindingPlace(string, f.line, headerFileLine) + ": column " + std::to_string(f.column) +
                    ": " + f.message;
  }
  return verdict;
}

}  // namespace ts2
