// ts2tool encode [FILE]: the bytes one translation section encodes to.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "core/fileutil.h"
#include "display/encode.h"

namespace ts2::cli {
namespace {

int RunEncode(const std::vector<std::string>& args);

const Command kEncode{"encode", "encode [FILE]",
                      "print the bytes a translation section (from FILE or stdin) encodes to", RunEncode};

int RunEncode(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kEncode, args, {}, {}, parsed)) return *done;
  if (parsed.positional.size() > 1) return UsageError(kEncode, "too many arguments");

  std::string bytes;
  if (parsed.positional.empty() || parsed.positional[0] == "-") {
    // Read with stdio: <iostream> would make every ts2tool start set up the standard streams.
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;) bytes.append(chunk, n);
    if (std::ferror(stdin)) return CannotRead(kExitBadInput, "the input");
  } else {
    const auto file = ReadWholeFile(parsed.positional[0]);
    if (!file) return CannotRead(kExitBadInput, parsed.positional[0]);
    bytes.assign(file->begin(), file->end());
  }

  // The section as the display copies it: from its first line to its closing line.
  const std::vector<uint8_t> encoded = EncodeSectionLines(SectionAt(FileBytesToEditorText(bytes), 0));
  std::string out;
  for (uint8_t b : encoded) out += Format(out.empty() ? "%02X" : " %02X", b);
  std::printf("%s\n", out.c_str());
  return kExitOk;
}

const Registrar kRegister{kEncode};

}  // namespace
}  // namespace ts2::cli
