// Create Patch: the patch a translation is shipped as, made in the editor from an original ROM and
// the image the editor holds, as `ts2tool diff` makes it from two files.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/romfile.h"
#include "patch/bps.h"
#include "patch/ips.h"

namespace ts2 {

namespace {

constexpr char kCaption[] = "Create Patch";
constexpr char kSaveFilter[] = "BPS patch (*.bps)|*.bps|IPS patch (*.ips)|*.ips";
constexpr char kNotMade[] = " No patch was made.";

bool EndsWith(const std::string& name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [](char a, char b) { return a == AsciiLower(b); });
}

}  // namespace

void TmyForm::CreatePatch1Click(TObject /*Sender*/) {
  if (!gROM) {
    ui.message(
        "Open the translated ROM first (File > Open ROM File): the patch turns the original ROM "
        "into the image the editor holds.");
    return;
  }
  const std::filesystem::path romPath(gROMPath);
  const std::string folder = romPath.parent_path().string();
  // Dialogs of its own: the shared open dialog keeps what the described commands left in it.
  FileDialog open;
  open.title = "Select the original ROM the patch starts from";
  open.initialDir = folder.empty() ? gStartDir : folder;
  open.filter = std::string(RomFileFilter());
  // A confirmed open dialog makes the chosen file's folder the working directory, where the
  // described commands then work (PATCH's temporary file): the original ROM's folder is not the
  // editor's, and may not even be writable.
  const std::string workingDir = CurrentDirectory();
  const bool chosen = ui.runOpenDialog(open) && !open.files.empty();
  std::error_code ec;
  const std::string originalPath = chosen ? std::filesystem::absolute(open.files.front(), ec).string() : "";
  if (!workingDir.empty()) std::filesystem::current_path(workingDir, ec);
  if (!chosen) return;

  RomFile original;
  if (const RomReadStatus status = ReadRomFile(originalPath, failAllocation, original);
      status != RomReadStatus::Ok) {
    ui.message("Error: Could not read the original ROM (" + RomReadError(status, originalPath, original) +
               ")." + kNotMade);
    return;
  }
  if (!HasGameTitle(original.gameData())) {
    ui.message("Error: \"" + ExtractFileName(originalPath) + "\" is not a ROM of this game." + kNotMade);
    return;
  }
  const std::span<const uint8_t> image(romAlloc.get(), gROMSize);
  if (std::ranges::equal(original.gameData(), RomData())) {
    ui.message("The ROM image is the same as \"" + ExtractFileName(originalPath) +
               "\": a patch would change nothing." + kNotMade);
    return;
  }

  FileDialog save;
  save.title = "Save Patch As";
  save.filter = kSaveFilter;
  save.initialDir = open.initialDir;
  save.fileName = (romPath.parent_path() / romPath.stem()).string() + ".bps";
  if (!ui.runSaveDialog(save) || save.fileName.empty()) return;
  std::string out = save.fileName;
  const bool ips = EndsWith(out, ".ips");
  if (!ips && !EndsWith(out, ".bps")) out += ".bps";

  std::vector<uint8_t> patch;
  std::string layout;
  if (!ips) {
    // Beyond the size a patch may claim, applying it would refuse it as damaged.
    if (std::max(original.gameData().size(), RomData().size()) > bps::kMaxImageSize) {
      ui.message(Format("Error: A BPS patch covers at most %llu MiB of game data.",
                        static_cast<unsigned long long>(bps::kMaxImageSize >> 20)) +
                 kNotMade);
      return;
    }
    // BPS works on the game data whatever copier header either file has, and checks it.
    patch = bps::CreatePatch(original.gameData(), RomData());
  } else {
    // IPS offsets count from a file's first byte: a patch made with a copier header fits only
    // copies that have one.
    // With a header on one file only, whole files would differ everywhere: the game data is
    // compared, and the patch fits copies without a header.
    bool headerless = gROMHeaderSize != original.headerSize;
    if (!headerless && gROMHeaderSize != 0)
      headerless = ui.question(
          "A copier header (512 bytes) is in front of the game data here. Make the IPS patch for copies "
          "of the game without one, as most players have?\n\nNo makes it for copies with the header.",
          kCaption);
    std::span<const uint8_t> from(original.bytes.get(), original.size), to = image;
    if (headerless) {
      from = original.gameData();
      to = RomData();
      layout = " It fits copies without a copier header.";
    } else if (gROMHeaderSize != 0) {
      layout = " It fits copies with a copier header.";
    }
    uint64_t unreachable = 0;
    std::optional<std::vector<uint8_t>> made = ips::CreatePatch(from, to, &unreachable);
    if (!made) {
      ui.message(Format("Error: IPS cannot reach offset 0x%llX (its offsets end at 16 MiB). Save the patch "
                        "as BPS instead.",
                        static_cast<unsigned long long>(unreachable)) +
                 kNotMade);
      return;
    }
    patch = std::move(*made);
  }

  std::string error;
  if (!WriteFileAtomic(out, patch.data(), patch.size(), &error)) {
    ui.message("Error: Could not write the patch (" + error + ")." + kNotMade);
    return;
  }
  ui.message(Format("The patch \"%s\" (%s, %s) turns \"%s\" into the ROM image as the editor holds it%s.",
                    ExtractFileName(out).c_str(), ips ? "IPS" : "BPS",
                    Plural(patch.size(), "byte", "bytes").c_str(), ExtractFileName(originalPath).c_str(),
                    gROMModified ? ", unsaved changes included" : "") +
             layout);
}

}  // namespace ts2
