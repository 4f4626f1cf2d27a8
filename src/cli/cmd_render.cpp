// ts2tool render: the editor's bitmap for one string, with chosen view options, as PNG or raw
// RGB 5-6-5.
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "cli/png_out.h"
#include "cli/show_string.h"
#include "core/fileutil.h"

namespace ts2::cli {
namespace {

int RunRender(const std::vector<std::string>& args);

const Command kRender{
    "render",
    "render ROM DATAFILE [--block B] [--string S | --at PLACE] [--dumps DIR] [--vwf on|off] "
    "[--color blue|green|red] [--fill gradient|solid] [--scroll-rom N] [--scroll-trans N] -o OUT",
    "draw a string and its translation as the editor shows them (PNG or .rgb565)", RunRender};

constexpr char kRenderHelp[] =
    "Opens ROM with DATAFILE as the editor does, selects block B and string S (default 0 each) and\n"
    "writes the editor's whole bitmap. The translation comes from the block's file in DIR (default\n"
    "./Dumps); a missing file gives no translation and is never created: ts2tool writes no file but OUT.\n"
    "N is a page's scroll position in pixel rows, 0 to 672 in steps of 16, as Shift/Ctrl+Up/Down set it.\n"
    "OUT ending in .png is a PNG; ending in .rgb565 it is raw little-endian RGB 5-6-5, row by row.\n"
    "B is the block's index (2), its address as the block list shows it (C60000), or its pointer\n"
    "table's file offset (0x60000).\n"
    "--at PLACE names the block and the string instead, as the editor's Go to String reads it: a\n"
    "line of check or find (Dumps/000A0000.txt:25: string 3, ...), a PO reference or context\n"
    "(000A0000.txt:25, 000A0000.txt .STRING 3), or a block and a string (CA0000 3), so that\n"
    "each finding of a CI run can be drawn:\n"
    "  ts2tool check ROM DATAFILE | grep ': string ' | while read -r f; do\n"
    "    ts2tool render ROM DATAFILE --at \"$f\" -o \"$((++n)).png\"; done\n";

bool EndsWith(const std::string& s, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Writes the bitmap: PNG, or raw little-endian 5-6-5 pixels row by row.
bool WriteBitmap(const Bitmap& bitmap, const std::string& path, bool png) {
  if (png) return WritePng(BitmapImage(bitmap), path);
  std::vector<uint8_t> raw;
  raw.reserve(bitmap.pixels.size() * 2);
  for (uint16_t p : bitmap.pixels) {
    raw.push_back(static_cast<uint8_t>(p));
    raw.push_back(static_cast<uint8_t>(p >> 8));
  }
  return WriteOutput(path, raw.data(), raw.size());
}

int RunRender(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kRender, args,
                               {"--block", "--string", "--at", "--dumps", "--vwf", "--color", "--fill",
                                "--scroll-rom", "--scroll-trans", "-o"},
                               {}, parsed, kRenderHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kRender, "expected ROM and DATAFILE");
  const auto out = parsed.get("-o");
  if (!out || out->empty()) return UsageError(kRender, "missing -o OUT");
  const bool png = EndsWith(*out, ".png");
  if (!png && !EndsWith(*out, ".rgb565")) return UsageError(kRender, "OUT must end in .png or .rgb565");

  ShowRequest request;
  request.rom = parsed.positional[0];
  request.dataFile = parsed.positional[1];
  if (auto bad = ReadBlockOption(parsed, request.block)) return UsageError(kRender, *bad);
  if (auto v = parsed.get("--string")) {
    const auto n = ParseNumber(*v);
    if (!n || *n > 0x7FFFFFFF) return UsageError(kRender, "--string needs a number, not '" + *v + "'");
    request.string = static_cast<int>(*n);
  }
  if (auto at = parsed.get("--at")) {
    if (parsed.has("--block") || parsed.has("--string"))
      return UsageError(kRender, "--at names the block and the string: give it without --block and --string");
    request.at = ParsePlace(*at);
    if (!request.at) return UsageError(kRender, "--at names no place: '" + *at + "'");
  }
  request.dumpsDir = parsed.get("--dumps").value_or("Dumps");
  ViewOptions view;
  if (auto bad = ReadViewOptions(parsed, view)) return UsageError(kRender, *bad);

  // The view options are check marks the renderer reads: set before the string is shown, they
  // take effect in its drawing as options loaded from a data file do.
  request.beforeSelect = [&view](TmyForm& form) { view.apply(form); };

  ShownString shown;
  if (auto status = ShowString(shown, request)) return *status;
  TmyForm& form = shown.program.form();
  // Scrolled pages are redrawn as the keyboard's Shift/Ctrl+Up/Down leave them.
  if (view.scrollRom != 0 || view.scrollTrans != 0) {
    form.gPages[0].scroll = view.scrollRom;
    form.gPages[1].scroll = view.scrollTrans;
    form.RedrawBothPages();
  }
  if (!WriteBitmap(form.gBitmap, *out, png)) return CannotWrite(kExitBadInput, *out);
  // As in the editor, the lower box keeps what was drawn there before: said, so that a picture
  // kept on its own is not taken for this string's translation.
  // A block without a file has no translation: its lower box was never drawn.
  if (form.gSectionLine == -1 && !form.gTextPath.empty() && FileExists(form.gTextPath))
    Fail(kExitOk, Format("note: string %d has no section in %s; the lower box shows what was drawn "
                         "there before (string 0's translation, if it has one)",
                         form.gCurString, ExtractFileName(form.gTextPath).c_str()));
  return kExitOk;
}

const Registrar kRegister{kRender};

}  // namespace
}  // namespace ts2::cli
