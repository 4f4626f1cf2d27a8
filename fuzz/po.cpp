// PO files: the reader on any bytes; whatever it reads is written and read again to the same
// entries; and the entries are imported into a translation text, which must then already hold
// them (importing them a second time changes nothing).
//
// Input: 2 bytes length of the translation text, the text, then the PO file.
#include <string>
#include <string_view>

#include "harness.h"
#include "script/po.h"
#include "views/po_exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const size_t textSize = in.u16();
  const std::span<const uint8_t> rest = in.rest();
  const size_t split = std::min(textSize, rest.size());
  const std::string text(reinterpret_cast<const char*>(rest.data()), split);
  const std::string_view po(reinterpret_cast<const char*>(rest.data()) + split, rest.size() - split);

  std::string error;
  const std::optional<std::vector<ts2::po::Entry>> entries = ts2::po::Parse(po, error);
  if (!entries) return 0;
  std::string written;
  for (const ts2::po::Entry& e : *entries) written += ts2::po::Write(e) + "\n";
  const std::optional<std::vector<ts2::po::Entry>> again = ts2::po::Parse(written, error);
  if (!again || again->size() != entries->size()) __builtin_trap();
  for (size_t i = 0; i < entries->size(); ++i) {
    const ts2::po::Entry &a = (*entries)[i], &b = (*again)[i];
    if (a.id != b.id || a.str != b.str || a.context != b.context || a.fuzzy() != b.fuzzy()) __builtin_trap();
  }

  const std::vector<ts2::ScriptBlock> blocks = {{0, 0x60000, 12, "00060000.txt"},
                                                {1, 0x70000, 3, "00070000.txt"}};
  const ts2::TextOfBlock textOf = [&](const ts2::ScriptBlock& b) -> std::optional<std::string> {
    if (b.index == 0) return text;
    return std::nullopt;
  };
  const ts2::PoImport plan = ts2::PlanPoImport(*entries, blocks, textOf, true);
  if (plan.files.empty()) return 0;
  const ts2::TextOfBlock imported = [&](const ts2::ScriptBlock& b) -> std::optional<std::string> {
    for (const ts2::PoImport::File& f : plan.files)
      if (f.file == b.file) return f.text;
    return textOf(b);
  };
  if (!ts2::PlanPoImport(*entries, blocks, imported, true).files.empty()) __builtin_trap();
  return 0;
}
