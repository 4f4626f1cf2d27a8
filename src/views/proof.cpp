#include "views/proof.h"

#include <optional>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/utf8.h"
#include "display/batch.h"
#include "display/render.h"
#include "views/block_name.h"
#include "views/glossary.h"
#include "views/original.h"
#include "views/sections.h"

#ifndef TS2_VERSION
#define TS2_VERSION "unknown"
#endif

namespace ts2 {

namespace {

// The page's look: each string a row of its picture (the game's pixels, twice their size and
// never smoothed) and its texts, a coloured edge for its state; a string is never split across
// printed pages.
constexpr char kStyle[] =
    "body{font-family:sans-serif;color:#222;margin:1em auto;max-width:80em;padding:0 1em}\n"
    "h2{border-bottom:1px solid #999;margin-top:2em}\n"
    "nav li{margin:.2em 0}\n"
    ".string{display:flex;flex-wrap:wrap;gap:1em;margin:1.2em 0;padding:.4em .8em;"
    "border-left:6px solid #2a2}\n"
    ".string.untranslated{border-left-color:#aaa}\n"
    ".string.findings{border-left-color:#c00}\n"
    ".string h3{flex-basis:100%;margin:0;font-size:110%}\n"
    ".string img{image-rendering:pixelated;flex:none}\n"
    ".string .texts{flex:1;min-width:18em}\n"
    ".string h4{margin:.4em 0 .1em;font-size:90%;color:#555}\n"
    "pre{white-space:pre-wrap;margin:0;font-size:110%}\n"
    ".place{font-family:monospace;font-weight:normal;color:#555;margin-left:1em}\n"
    ".none{color:#777;font-style:italic;margin:0}\n"
    "ul.found{color:#b00;margin:0;padding-left:1.2em}\n"
    "pre.before{color:#666}\n"
    "@media print{.string{break-inside:avoid}}\n";

constexpr char kStateClass[][16] = {"untranslated", "translated", "findings"};

// Windows-1252 lines as UTF-8 text, one a line (an empty line kept as one).
std::string LinesUtf8(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + Cp1252ToUtf8(lines[i]);
  return text;
}

}  // namespace

std::optional<ProofFilter> ParseProofFilter(std::string_view word) {
  if (word == "all") return ProofFilter::kAll;
  if (word == "untranslated") return ProofFilter::kUntranslated;
  if (word == "translated") return ProofFilter::kTranslated;
  if (word == "findings") return ProofFilter::kWithFindings;
  return std::nullopt;
}

bool ProofShows(ProofFilter filter, StringState state) {
  switch (filter) {
    case ProofFilter::kAll: return true;
    case ProofFilter::kUntranslated: return state == StringState::kUntranslated;
    case ProofFilter::kTranslated: return state != StringState::kUntranslated;
    case ProofFilter::kWithFindings: return state == StringState::kWithFindings;
  }
  return true;
}

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A file's name on the page, which is UTF-8: a name that is not (a Latin-1 folder) is taken as
// Windows-1252, as the editor's title bar takes it.
std::string NameEscaped(std::string_view name) {
  return HtmlEscaped(FromUtf8(name) ? std::string(name) : Cp1252ToUtf8(name));
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t n = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                       static_cast<uint8_t>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(n >> shift) & 63];
  }
  if (const size_t left = bytes.size() - i; left > 0) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (left == 2) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += left == 2 ? kDigits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

struct ProofSheetWriter::Page {
  std::string caption, file;  // "Block CA0000" (UTF-8), "000A0000.txt"
  bool exists = true;         // its translation file (or the Text Editor's text) is there
  BlockProgress progress;
  std::string strings;  // its strings' HTML
};

// The block being drawn: its text, where each string's section lies in it, and their states.
struct ProofSheetWriter::Block {
  int index = 0;
  std::string text;
  std::optional<SectionIndex> sections;
  std::vector<StringStatus> states;
  std::string address;      // "CA0000"
  uint32_t next = 0;        // the next string to look at
  std::vector<bool> shown;  // per string: the sheet shows it
  // With an earlier folder: the block's text there, and each string's translation then.
  std::string sinceText;
  std::vector<std::vector<std::string>> before;
};

ProofSheetWriter::ProofSheetWriter(TmyForm& form, BatchSession& session, ProofRequest request,
                                   PngOfBitmap png, TextToUtf8 toUtf8)
    : form_(form),
      session_(session),
      request_(std::move(request)),
      png_(std::move(png)),
      toUtf8_(std::move(toUtf8)) {}

ProofSheetWriter::~ProofSheetWriter() = default;

bool ProofSheetWriter::Step(uint32_t strings) {
  while (strings > 0 && !done()) {
    if (!block_) {
      Enter(request_.blocks[next_++]);
      continue;
    }
    if (block_->next == block_->states.size()) {
      block_.reset();
      continue;
    }
    const uint32_t n = block_->next++;
    if (!block_->shown[n]) continue;
    Draw(n);
    --strings;
  }
  return done();
}

void ProofSheetWriter::Enter(const ProofBlock& block) {
  Toolkit& ui = form_.ui;
  ListBox& bList = ui.list(ControlId::bList);
  if (block.index < 0 || block.index >= bList.count()) return;
  if (session_.SelectBlock(block.index, request_.dumpsDir)) return;
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  if (block.text) editor.setText(*block.text);
  auto b = std::make_unique<Block>();
  b->index = block.index;
  b->text = editor.text();
  const auto strings = static_cast<uint32_t>(ui.list(ControlId::pList).count());
  b->sections.emplace(b->text, strings);
  Page page;
  page.caption = Cp1252ToUtf8(bList.line(block.index));
  page.file = Format("%08X.txt", form_.gBlockOffset[static_cast<size_t>(block.index)]);
  page.exists = block.text || FileExists(request_.dumpsDir + kPathSep + page.file);
  b->address = std::string(ListedAddress(page.caption));
  BlockTerms terms;
  if (request_.glossary) terms = TermsOfBlock(*request_.glossary, 1, form_, block.index, strings, toUtf8_);
  const StateSpelling glossary{.glossary = request_.glossary, .terms = request_.glossary ? &terms : nullptr};
  for (uint32_t n = 0; n < strings; ++n)
    b->states.push_back(StateOf(*b->sections, n, request_.lint, glossary));
  page.progress = Tally(b->states);
  ++count_.blocks;
  count_.progress += page.progress;
  count_.strings += strings;
  if (request_.sinceDir) {
    // A file missing there held no translation then.
    const std::vector<uint8_t> bytes =
        ReadWholeFile(*request_.sinceDir + kPathSep + page.file).value_or(std::vector<uint8_t>());
    b->sinceText.assign(bytes.begin(), bytes.end());
    const SectionIndex then(b->sinceText, strings);
    for (uint32_t n = 0; n < strings; ++n) b->before.push_back(then.translation(n));
  }
  for (uint32_t n = 0; n < strings; ++n) {
    const bool shown = ProofShows(request_.filter, b->states[n].state) &&
                       (!request_.sinceDir || b->before[n] != b->sections->translation(n));
    b->shown.push_back(shown);
    count_.shown += shown;
  }
  pages_.push_back(std::move(page));
  block_ = std::move(b);
}

void ProofSheetWriter::Draw(uint32_t n) {
  ListBox& pList = form_.ui.list(ControlId::pList);
  pList.setItemIndex(static_cast<int>(n));
  form_.pListClick(&pList);
  ++drawn_;

  const Block& block = *block_;
  const Page& page = pages_.back();
  const StringStatus& status = block.states[n];
  std::string& out = pages_.back().strings;
  const std::string id = block.address + "-" + std::to_string(n);
  out += "<article class=\"string " + std::string(kStateClass[static_cast<int>(status.state)]) + "\" id=\"" +
         HtmlEscaped(id) + "\">\n<h3>String# " + std::to_string(n) + "<span class=\"place\">" +
         HtmlEscaped(block.address) + " " + std::to_string(n) + "</span></h3>\n";
  // Without a section the translation's box still holds the last one drawn: the picture is then
  // the original's box alone.
  const bool drawn = form_.gSectionLine != -1;
  const Bitmap& bitmap = form_.gBitmap;
  Bitmap picture;
  picture.width = bitmap.width;
  picture.height = drawn ? bitmap.height : std::min(bitmap.height, kTransBoxTop - kTileSize);
  picture.pixels.assign(bitmap.pixels.begin(),
                        bitmap.pixels.begin() + static_cast<ptrdiff_t>(picture.width) * picture.height);
  if (const std::string bytes = png_ ? png_(picture) : std::string(); !bytes.empty())
    out += "<img src=\"data:image/png;base64," + Base64(bytes) + "\" width=\"" +
           std::to_string(2 * picture.width) + "\" height=\"" + std::to_string(2 * picture.height) +
           "\" alt=\"String# " + std::to_string(n) +
           (drawn ? " in the game's text box, its translation below\">\n" : " in the game's text box\">\n");
  // Each text's <pre> starts with a line end, which HTML drops, so that an empty first line stays.
  out += "<div class=\"texts\">\n<h4>Original</h4>\n<pre>\n" +
         HtmlEscaped(OriginalUtf8(OriginalTextOf(form_, block.index, n), toUtf8_)) + "</pre>\n";
  out += "<h4>Translation</h4>\n";
  const std::vector<std::string> body = block.sections->translation(n);
  if (body.empty()) {
    out += !page.exists            ? "<p class=\"none\">No translation file yet.</p>\n"
           : status.headerLine < 0 ? "<p class=\"none\">No section in the translation file.</p>\n"
                                   : "<p class=\"none\">Not translated yet.</p>\n";
  } else {
    out += "<pre>\n" + HtmlEscaped(LinesUtf8(body)) + "</pre>\n";
  }
  if (request_.sinceDir) {
    out += "<h4>Before</h4>\n";
    if (block.before[n].empty()) {
      out += "<p class=\"none\">Not translated then.</p>\n";
    } else {
      out += "<pre class=\"before\">\n" + HtmlEscaped(LinesUtf8(block.before[n])) + "</pre>\n";
    }
  }
  if (!status.findings.empty()) {
    out += "<h4>Findings</h4>\n<ul class=\"found\">\n";
    for (const LintFinding& f : status.findings)
      out += "<li>" + HtmlEscaped(FindingPlace(n, f.line, status.headerLine + 1)) + ", column " +
             std::to_string(f.column) + ": " +
             HtmlEscaped(MessageIsUtf8(f.kind) ? f.message : Cp1252ToUtf8(f.message)) + "</li>\n";
    out += "</ul>\n";
  }
  out += "</div>\n</article>\n";
}

std::string ProofSheetWriter::TakePage() {
  const ProofCount& counted = count_;
  const BlockProgress& total = counted.progress;
  std::string html =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"generator\" content=\"ts2edit " TS2_VERSION "\">\n<title>Proof sheet: " +
      NameEscaped(request_.romName) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
  html += "<h1>Proof sheet: " + NameEscaped(request_.romName) + "</h1>\n";
  html += "<p>ROM " + NameEscaped(request_.romName) + ", data file " + NameEscaped(request_.dataName) +
          ", translations " + NameEscaped(request_.dumpsName) + "; made " + HtmlEscaped(request_.made) +
          " by ts2edit " TS2_VERSION ".</p>\n";
  html += "<p>" + std::to_string(counted.strings) + (counted.strings == 1 ? " string: " : " strings: ") +
          std::to_string(total.translated) + " translated, " + std::to_string(total.withFindings) +
          " with findings, " + std::to_string(total.strings - total.translated - total.withFindings) +
          " not translated yet.";
  if (request_.filter != ProofFilter::kAll || request_.sinceDir) {
    html += " Shown here: " + std::to_string(counted.shown);
    if (request_.filter != ProofFilter::kAll)
      html += request_.filter == ProofFilter::kUntranslated ? " not translated yet"
              : request_.filter == ProofFilter::kTranslated ? " translated"
                                                            : " with findings";
    if (request_.sinceDir) html += " whose translation changed since " + NameEscaped(*request_.sinceDir);
    html += ".";
  }
  html += "</p>\n<nav>\n<ul>\n";
  for (const Page& page : pages_) {
    const std::string_view address = ListedAddress(page.caption);
    html += "<li><a href=\"#block-" + HtmlEscaped(address) + "\">" + HtmlEscaped(page.caption) +
            "</a>: " + page.file + ", " + ProgressText(page.progress) +
            (page.exists ? "" : " (no file yet)") + "</li>\n";
  }
  html += "</ul>\n</nav>\n";
  // The strings' parts are most of the page: each is handed over into it as it is placed, into
  // room made for the whole page at once, so that the page is not held twice.
  std::vector<std::string> heads;
  size_t size = html.size() + std::string_view("</body>\n</html>\n").size();
  for (const Page& page : pages_) {
    heads.push_back("<section id=\"block-" + HtmlEscaped(ListedAddress(page.caption)) + "\">\n<h2>" +
                    HtmlEscaped(page.caption) + "<span class=\"place\">" + page.file + "</span></h2>\n<p>" +
                    ProgressText(page.progress) + "</p>\n");
    size += heads.back().size() + page.strings.size() + std::string_view("</section>\n").size();
  }
  html.reserve(size);
  for (size_t k = 0; k < pages_.size(); ++k) {
    html += heads[k];
    html += pages_[k].strings;
    std::string().swap(pages_[k].strings);
    html += "</section>\n";
  }
  html += "</body>\n</html>\n";
  return html;
}

std::string ProofSheet(TmyForm& form, BatchSession& session, const ProofRequest& request,
                       const PngOfBitmap& png, const TextToUtf8& toUtf8, ProofCount* count) {
  ProofSheetWriter writer(form, session, request, png, toUtf8);
  while (!writer.Step(UINT32_MAX)) {
  }
  if (count) *count = writer.count();
  return writer.TakePage();
}

}  // namespace ts2
