// The patches named on ts2tool's command line (patch, patchinfo): a patch file, a pipe or FIFO
// (the shell's <(...) names one /dev/fd/63), or "-" for standard input. A patch out of an archive
// or a download comes through the last two, read to its end.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "patch/image_patch.h"

namespace ts2::cli {

inline bool IsStandardInput(const std::string& arg) {
  return arg == "-";
}

// The usage error's words when more than one of `patches` is "-" (standard input is read once);
// std::nullopt when at most one is.
std::optional<std::string> StandardInputTwice(const std::vector<std::string>& patches);

// What messages call the patch `arg` names: its file name, or patching::kStandardInput for "-".
std::string PatchName(const std::string& arg);

// Whether `arg` names a patch that is read to its end ("-", a pipe or FIFO): one that cannot be
// read a second time.
bool ReadToItsEnd(const std::string& arg);

// The patch `arg` names: standard input, a pipe or FIFO read to its end; a file mapped when `map`,
// else read as the editor reads one.
std::optional<patching::PatchBytes> ReadPatchArg(const std::string& arg, bool map = false);

// How patching::ApplyPatchFiles reads and names the patch arguments.
patching::PatchSource PatchArgs();

}  // namespace ts2::cli
