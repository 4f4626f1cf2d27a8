#include "cli/patch_args.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/fileutil.h"
#include "patch/patch_name.h"

namespace ts2::cli {

std::optional<std::string> StandardInputTwice(const std::vector<std::string>& patches) {
  if (std::count_if(patches.begin(), patches.end(), IsStandardInput) < 2) return std::nullopt;
  return "standard input (-) can be only one of the patches";
}

std::string PatchName(const std::string& arg) {
  // A file named "-" is still a file when named otherwise ("./-"), and named "-" in messages.
  return IsStandardInput(arg) ? std::string(patching::kStandardInput) : ExtractFileName(arg);
}

bool ReadToItsEnd(const std::string& arg) {
  struct stat st;
  return IsStandardInput(arg) || (::stat(arg.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

std::optional<patching::PatchBytes> ReadPatchArg(const std::string& arg, bool map) {
  if (IsStandardInput(arg)) return patching::ReadPatchStream(STDIN_FILENO);
  return map ? patching::MapPatchFile(arg) : patching::ReadPatchFile(arg, patching::Pipes::ReadWhole);
}

patching::PatchSource PatchArgs() {
  return {[](const std::string& arg) { return ReadPatchArg(arg); }, PatchName};
}

}  // namespace ts2::cli
