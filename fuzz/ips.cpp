// The IPS patcher: study and apply on an image in memory, the file image patched alone as ts2tool
// does (patching::ApplyPatch, which must make the same image and tell whether it changed), and
// the PATCH command's handler on a small loaded image (patch file, study, temporary file, image
// read back).
//
// Input: one flag byte, 2 bytes image size, then the patch.
//   flag bit 0: run the PATCH command's handler instead of the in-memory study and apply
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/romfile.h"
#include "harness.h"
#include "patch/image_patch.h"
#include "patch/ips.h"

namespace {

std::vector<uint8_t> Image(size_t size) {
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  return image;
}

void InMemory(std::span<const uint8_t> patch, size_t imageSize) {
  const std::vector<uint8_t> original = Image(imageSize);
  std::vector<uint8_t> image = original;
  const ts2::ips::Error error = ts2::ips::ApplyPatch(patch, image);
  // A patch that does not study clean changes nothing.
  if (error != ts2::ips::Error::None) ts2::fuzz::Check(image == original);

  const ts2::ips::Study study = ts2::ips::StudyPatch(patch);
  ts2::fuzz::Check(study.ok() == (error == ts2::ips::Error::None));
  if (!study.ok()) return;
  ts2::fuzz::Check(image.size() == study.ResultSize(imageSize));
  // The image patched alone, records written as the patch is read a second time.
  ts2::patching::FileImage alone{ts2::ImageBuffer(std::max<size_t>(imageSize, 1)),
                                 static_cast<uint32_t>(imageSize), static_cast<uint32_t>(imageSize & 0x200),
                                 imageSize};
  std::copy(original.begin(), original.end(), alone.bytes.get());
  const ts2::patching::Applied applied = ts2::patching::ApplyPatch(alone, "patch.ips", patch, {});
  ts2::fuzz::Check(applied.failure == ts2::patching::Failure::None);
  ts2::fuzz::Check(std::equal(image.begin(), image.end(), alone.bytes.get(), alone.bytes.get() + alone.size));
  ts2::fuzz::Check(applied.changed == (image.size() != original.size() || image != original));
  // A buffer too small for the result is refused, never overrun.
  if (image.size() > original.size()) {
    std::vector<uint8_t> small = original;
    ts2::fuzz::Check(!ts2::ips::ApplyStudy(study, patch, small));
  }
}

void Handler(std::span<const uint8_t> patch, size_t imageSize) {
  ts2::fuzz::InScratchFolder cwd;
  // The command reads the image, its size and whether it was modified; it resets the rest.
  ts2::headless::HeadlessProgram& p = ts2::fuzz::ReusedProgram();
  ts2::TmyForm& form = p.form();
  form.gROMModified = 0;
  std::vector<uint8_t> rom = Image(imageSize);
  form.romAlloc = std::make_unique<uint8_t[]>(std::max<size_t>(rom.size(), 1));
  std::copy(rom.begin(), rom.end(), form.romAlloc.get());
  form.gROMSize = static_cast<uint32_t>(rom.size());
  form.gROMHeaderSize = form.gROMSize & 0x200;
  form.gROM = form.romAlloc.get() + form.gROMHeaderSize;

  const std::string path = ts2::fuzz::WriteScratchFile("patch.ips", patch);
  p.ui.script.openAnswers.push_back(std::vector<std::string>{path});
  form.PATCHRomFile1Click(ts2::kNoSender);
  ts2::fuzz::Check(form.gROM != nullptr);
  ts2::fuzz::Check(form.gROM == form.romAlloc.get() + form.gROMHeaderSize);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint8_t flags = in.u8();
  const size_t imageSize = in.u16();
  if (flags & 1) {
    Handler(in.rest(), imageSize);
  } else {
    InMemory(in.rest(), imageSize);
  }
  return 0;
}
