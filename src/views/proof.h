// A proof sheet: every string of the chosen blocks as the game's text box shows it, the original
// above and the translation below (the editor's own picture), with the original's text, the
// translation's lines and what the lint finds in them, in one HTML page a proofreader opens in
// any browser, prints, or gets by mail, without the editor or the ROM.
//
// The pictures are drawn by a program of its own (a headless one that has opened the ROM with
// its data file through a BatchSession), so the editor that asks for a sheet keeps its selection,
// its scroll positions and its windows as they were.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/lint.h"
#include "views/states.h"

namespace ts2 {

class BatchSession;
class TmyForm;
struct Bitmap;

// Which strings the sheet shows.
enum class ProofFilter : uint8_t { kAll, kUntranslated, kTranslated, kWithFindings };

// Reads "all", "untranslated", "translated" (with or without findings) and "findings".
std::optional<ProofFilter> ParseProofFilter(std::string_view word);
bool ProofShows(ProofFilter filter, StringState state);

struct ProofBlock {
  int index = 0;  // its line in the block list
  // Its translation as the editor holds text (the Text Editor's, or a file's as the editor reads
  // it); none: its file, read when the block is drawn.
  std::optional<std::string> text;
};

struct ProofRequest {
  std::string romName, dataName, dumpsName;  // as the page names them (UTF-8)
  std::string made;                          // when, as the page says it ("2026-12-07 19:40")
  std::string dumpsDir;                      // where the translation files are read
  std::vector<ProofBlock> blocks;
  ProofFilter filter = ProofFilter::kAll;
  LintOptions lint;
  const Glossary* glossary = nullptr;  // the team's glossary: its findings as the lint's
  // An earlier state of the translations folder (the one last proofread): only the strings whose
  // translation differs from the one there are shown, each with what it was.
  std::optional<std::string> sinceDir;
};

// What a sheet holds, for the message or the summary line after it.
struct ProofCount {
  uint32_t blocks = 0, strings = 0, shown = 0;
  BlockProgress progress;  // of every string of its blocks, shown or not
};

// The picture of the shown string as PNG bytes (empty when it cannot be made: the string is then
// shown without one).
using PngOfBitmap = std::function<std::string(const Bitmap&)>;
using TextToUtf8 = std::function<std::string(std::string_view)>;

// Makes a sheet a few strings at a time, so that an editor stays responsive while a large block
// is drawn: `form` (which `session` has opened with the ROM and its data file, and which nothing
// else uses meanwhile) draws the pictures, `png` writes them and `toUtf8` makes the original
// texts UTF-8. Blocks the block list does not have are left out.
class ProofSheetWriter {
 public:
  ProofSheetWriter(TmyForm& form, BatchSession& session, ProofRequest request, PngOfBitmap png,
                   TextToUtf8 toUtf8);
  ~ProofSheetWriter();
  ProofSheetWriter(const ProofSheetWriter&) = delete;
  ProofSheetWriter& operator=(const ProofSheetWriter&) = delete;

  // Draws up to `strings` more of the strings the sheet shows; true once every block is done.
  bool Step(uint32_t strings);
  bool done() const { return !block_ && next_ == request_.blocks.size(); }
  // What the sheet holds so far.
  const ProofCount& count() const { return count_; }
  // The strings the sheet will show, of the blocks entered so far, and of those the ones drawn.
  uint32_t drawn() const { return drawn_; }
  // The page with what has been drawn (the whole sheet once done). The drawn strings are handed
  // over into it, so that a large sheet is not held twice: asked again, the page has none.
  std::string TakePage();

 private:
  struct Page;
  struct Block;
  void Enter(const ProofBlock& block);
  void Draw(uint32_t n);

  TmyForm& form_;
  BatchSession& session_;
  ProofRequest request_;
  PngOfBitmap png_;
  TextToUtf8 toUtf8_;
  size_t next_ = 0;               // the next block of the request to enter
  std::unique_ptr<Block> block_;  // the block being drawn
  std::vector<Page> pages_;
  ProofCount count_;
  uint32_t drawn_ = 0;
};

// The whole sheet at once.
std::string ProofSheet(TmyForm& form, BatchSession& session, const ProofRequest& request,
                       const PngOfBitmap& png, const TextToUtf8& toUtf8, ProofCount* count = nullptr);

// Text as HTML writes it: & < > " escaped.
std::string HtmlEscaped(std::string_view text);
// Bytes in base64 (RFC 4648, with padding), for a picture inside the page.
std::string Base64(std::string_view bytes);

}  // namespace ts2
