// Translation text: the section search the display runs on the editor's text, from any start
// position and for any string number.
//
// Input: 2 bytes string number, 2 bytes start position, then the editor text.
#include <string_view>

#include "harness.h"
#include "script/textfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const int32_t n = static_cast<int16_t>(in.u16());
  const int from = static_cast<int16_t>(in.u16());
  const std::span<const uint8_t> rest = in.rest();
  const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

  const auto section = ts2::FindSection(text, n, from);
  if (section) {
    ts2::fuzz::Check(section->match >= 0 && static_cast<size_t>(section->match) < text.size());
    ts2::fuzz::Check(section->headerLine <= section->endLine);
  }
  return 0;
}
