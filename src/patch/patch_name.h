// How messages name a patch. A patch file is named by its file name, without its folders, in
// quotes; the patch ts2tool reads from standard input ("-" on its command line) has no file name
// and is named by the words "standard input".
#pragma once

#include <string>
#include <string_view>

namespace ts2::patching {

// Stands for the patch on standard input where a message takes a patch's file name. A file name
// without its folders never holds a '/', so no patch file is ever taken for it.
inline constexpr std::string_view kStandardInput = "/dev/stdin";

// A patch as a listing shows it: its file name, or standard input.
inline std::string PlainName(std::string_view name) {
  return name == kStandardInput ? std::string("standard input") : std::string(name);
}

// A patch as a sentence names it: "fix.ips" (quotes included), or standard input.
inline std::string QuotedName(std::string_view name) {
  return name == kStandardInput ? PlainName(name) : "\"" + std::string(name) + "\"";
}

}  // namespace ts2::patching
