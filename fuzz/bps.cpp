// The BPS reader: the study of any bytes, the applier on an image, and the PATCH command's handler
// on a small loaded image with the patch as a file.
//
// Input: one flag byte, 2 bytes image size, then the patch.
//   flag bit 0: make the footer's source CRC-32 and the patch's own CRC-32 right for the image
//               (and the image the size the patch names, up to 64 KiB), so that inputs get past
//               those checks into the actions
//   flag bit 1: run the PATCH command's handler instead of the in-memory study and apply
#include <algorithm>
#include <cstring>
#include <vector>

#include "harness.h"
#include "patch/bps.h"
#include "patch/crc32.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t kMaxImage = 0x10000;
constexpr uint64_t kMaxApplied = 1u << 20;  // larger targets are studied, not built: the walk is the same

Bytes Image(size_t size) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
  return image;
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Rewrites the footer so that the source and patch checks pass for `image`.
void FixChecksums(Bytes& patch, const Bytes& image) {
  if (patch.size() < ts2::bps::kFooterSize) return;
  Put32(patch, patch.size() - 12, ts2::Crc32(image));
  Put32(patch, patch.size() - 4, ts2::Crc32(std::span(patch).first(patch.size() - 4)));
}

void InMemory(const Bytes& patch, const Bytes& image, bool fixed) {
  const ts2::bps::Study study = ts2::bps::StudyPatch(patch);
  if (study.ok()) {
    ts2::fuzz::Check(study.sourceSize <= ts2::bps::kMaxImageSize &&
                     study.targetSize <= ts2::bps::kMaxImageSize);
    uint64_t last = 0;
    for (const ts2::bps::Range& r : study.writes) {  // merged, in order, inside the target
      ts2::fuzz::Check(r.begin >= last && r.begin < r.end && r.end <= study.targetSize);
      last = r.end + 1;
    }
    if (study.targetSize > kMaxApplied) return;
  }
  Bytes target{1, 2, 3};
  const ts2::bps::Error error = ts2::bps::Apply(study, patch, image, target);
  if (error != ts2::bps::Error::None) {
    ts2::fuzz::Check(target.empty());
    // Past the checks the walk is the study's: only the result's CRC-32 can still fail.
    if (fixed && study.ok() && image.size() == study.sourceSize)
      ts2::fuzz::Check(error == ts2::bps::Error::TargetCrc);
    return;
  }
  ts2::fuzz::Check(study.ok() && target.size() == study.targetSize && ts2::Crc32(target) == study.targetCrc);
}

void Handler(const Bytes& patch, const Bytes& image) {
  ts2::fuzz::InScratchFolder cwd;
  ts2::headless::HeadlessProgram& p = ts2::fuzz::ReusedProgram();
  ts2::TmyForm& form = p.form();
  form.gROMModified = 0;
  form.romAlloc = std::make_unique<uint8_t[]>(std::max<size_t>(image.size(), 1));
  std::copy(image.begin(), image.end(), form.romAlloc.get());
  form.gROMSize = static_cast<uint32_t>(image.size());
  form.gROMHeaderSize = form.gROMSize & 0x200;
  form.gROM = form.romAlloc.get() + form.gROMHeaderSize;
  const ts2::bps::Study study = ts2::bps::StudyPatch(patch);
  if (study.ok() && study.targetSize > kMaxApplied) return;

  const std::string path = ts2::fuzz::WriteScratchFile("patch.bps", patch);
  p.ui.script.openAnswers.push_back(std::vector<std::string>{path});
  form.PATCHRomFile1Click(ts2::kNoSender);
  ts2::fuzz::Check(form.gROM != nullptr);
  ts2::fuzz::Check(form.gROM == form.romAlloc.get() + form.gROMHeaderSize);
  // One error, or the completion message and, for a patch that changed nothing, a word about it.
  ts2::fuzz::Check(p.ui.script.said.size() == 1 || p.ui.script.said.size() == 2);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint8_t flags = in.u8();
  size_t imageSize = in.u16();
  const std::span<const uint8_t> rest = in.rest();
  Bytes patch(rest.begin(), rest.end());
  if (patch.size() >= 4)
    std::memcpy(patch.data(), ts2::bps::kMagic, 4);  // the other formats have their own target
  const bool fixed = flags & 1;
  if (fixed) {
    const ts2::bps::Study study = ts2::bps::StudyPatch(patch);
    if (study.sourceSize <= kMaxImage) imageSize = study.sourceSize;
  }
  const bool handler = flags & 2;
  const Bytes image = Image(imageSize);
  // The handler takes a copier header off an image whose size says so: the source follows it.
  if (fixed) FixChecksums(patch, handler ? Bytes(image.begin() + (imageSize & 0x200), image.end()) : image);
  if (handler) {
    Handler(patch, image);
  } else {
    InMemory(patch, image, fixed);
  }
  return 0;
}
