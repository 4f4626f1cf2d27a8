// The IPS and BPS writers: a patch made from any pair of images, applied back, must give the
// modified image, and the IPS patch must be valid for every reader.
//
// Input: one flag byte, 2 bytes length of the original, the original, then
//   flag bit 0 clear: the modified image as it is;
//   flag bit 0 set:   edits made to a copy of the original, 5 bytes each: kind, 2 bytes offset,
//                     length, value (kind % 4: overwrite with the value, fill, insert, delete;
//                     a kind of 0xFF resizes to offset % 8 KiB, which keeps each run quick)
#include <algorithm>
#include <vector>

#include "harness.h"
#include "patch/bps.h"
#include "patch/ips.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Edited(Bytes image, std::span<const uint8_t> script) {
  for (size_t i = 0; i + 5 <= script.size(); i += 5) {
    const uint8_t kind = script[i];
    const size_t at = std::min<size_t>(script[i + 1] | script[i + 2] << 8, image.size());
    const size_t length = script[i + 3];
    const uint8_t value = script[i + 4];
    const size_t end = std::min(image.size(), at + length);
    if (kind == 0xFF) {
      image.resize((script[i + 1] | script[i + 2] << 8) & 0x1FFF, value);
      continue;
    }
    switch (kind % 4) {
      case 0:
        for (size_t k = at; k < end; ++k) image[k] = static_cast<uint8_t>(value + k);
        break;
      case 1: std::fill(image.begin() + at, image.begin() + end, value); break;
      case 2: image.insert(image.begin() + at, length, value); break;
      case 3: image.erase(image.begin() + at, image.begin() + end); break;
    }
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint8_t flags = in.u8();
  const size_t split = in.u16();
  const std::span<const uint8_t> rest = in.rest();
  const size_t cut = std::min(split, rest.size());
  const Bytes original(rest.begin(), rest.begin() + cut);
  const std::span<const uint8_t> tail = rest.subspan(cut);
  const Bytes modified = flags & 1 ? Edited(original, tail) : Bytes(tail.begin(), tail.end());

  const std::optional<Bytes> ips = ts2::ips::CreatePatch(original, modified);
  ts2::fuzz::Check(ips.has_value());  // small images: every offset is reachable
  const ts2::ips::Study study = ts2::ips::StudyPatch(*ips);
  ts2::fuzz::Check(study.ok() && study.sawEof);
  for (const ts2::ips::Record& r : study.records)
    ts2::fuzz::Check(r.offset != ts2::ips::kEofMarker && r.length() > 0);
  Bytes image = original;
  ts2::fuzz::Check(ts2::ips::ApplyPatch(*ips, image) == ts2::ips::Error::None);
  if (auto cut = ts2::ips::TruncationSize(study, *ips); cut && *cut < image.size()) image.resize(*cut);
  ts2::fuzz::Check(image == modified);

  const Bytes bps = ts2::bps::CreatePatch(original, modified);
  Bytes target;
  ts2::fuzz::Check(ts2::bps::Apply(ts2::bps::StudyPatch(bps), bps, original, target) ==
                   ts2::bps::Error::None);
  ts2::fuzz::Check(target == modified);
  return 0;
}
