// ts2tool original ROM DATAFILE [--block B] [-o FILE]: the original text of a block's strings
// (or of every block's), laid out as translation-file sections in UTF-8, for reading beside the
// translation, diffing, or loading into other translation tools.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/block_arg.h"
#include "cli/cli.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "script/lists.h"
#include "script/textfile.h"
#include "views/original.h"

namespace ts2::cli {
namespace {

int RunOriginal(const std::vector<std::string>& args);

const Command kOriginal{"original", "original ROM DATAFILE [--block B] [-o FILE]",
                        "write the original text of the script's strings as .STRING sections (UTF-8)",
                        RunOriginal};

constexpr char kOriginalHelp[] =
    "Opens ROM with DATAFILE as the editor does and writes, for block B (or every block), a\n"
    "comment line naming the block and its translation file, then one section a string:\n"
    "  .STRING n\n"
    "  the string's text, each character code through the data file's character table\n"
    "  ([$hhhh] for a code it has no text for), control codes as [Key], [Pause$05], ...,\n"
    "  a line break where the string has one\n"
    "  .ENDS\n"
    "and an empty line; the Kana Text window shows the same text for the selected string.\n"
    "B is the block's index (2), its address as the block list shows it (C60000), or its pointer\n"
    "table's file offset (0x60000). Output is UTF-8 with CR LF line ends, to FILE or stdout.\n";

constexpr char kLineEnd[] = "\r\n";

// The sections of one block, as Shift-JIS bytes.
std::string BlockText(TmyForm& form, int block) {
  const BlockEntry entry = *BlockAt(form, block);
  std::string out = Format("// %s (translation file %08X.txt): %u string%s",
                           form.ui.list(ControlId::bList).line(block).c_str(), entry.offset,
                           unsigned{entry.strings}, entry.strings == 1 ? "" : "s");
  out += kLineEnd;
  out += kLineEnd;
  for (uint32_t s = 0; s < entry.strings; ++s) {
    out += Format(kSectionHeaderFormat, static_cast<int>(s));
    out += kLineEnd;
    const std::string text = OriginalTextOf(form, block, s);
    // A string that ends with a line break shows it as an empty last line, as a translation does.
    if (!text.empty()) out += text + kLineEnd;
    out += kSectionEnd;
    out += kLineEnd;
    out += kLineEnd;
  }
  return out;
}

int RunOriginal(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kOriginal, args, {"--block", "-o"}, {}, parsed, kOriginalHelp)) return *done;
  if (parsed.positional.size() != 2) return UsageError(kOriginal, "expected ROM and DATAFILE");
  BlockArg blockArg;
  if (auto bad = ReadBlockOption(parsed, blockArg)) return UsageError(kOriginal, *bad);

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  TmyForm& form = shown.program.form();
  std::vector<int> blocks;
  if (parsed.has("--block")) {
    const ResolvedBlock block = ResolveBlock(form, blockArg);
    if (!block.index) return Fail(kExitBadInput, block.error);
    blocks.push_back(*block.index);
  } else {
    const int count = std::min(form.ui.list(ControlId::bList).count(), kMaxBlocks);
    for (int b = 0; b < count; ++b) blocks.push_back(b);
  }

  std::string text;
  for (int b : blocks) text += BlockText(form, b);
  const std::optional<std::string> utf8 = ShiftJisToUtf8(text);
  if (!utf8) return Fail(kExitBadInput, kNoShiftJisConverter);
  const std::string out = parsed.get("-o").value_or("-");
  if (!WriteOutput(out, utf8->data(), utf8->size())) return CannotWrite(kExitBadInput, out);
  return kExitOk;
}

const Registrar kRegister{kOriginal};

}  // namespace
}  // namespace ts2::cli
