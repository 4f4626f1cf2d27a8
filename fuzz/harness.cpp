#include "harness.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/fileutil.h"

namespace ts2::fuzz {

namespace {

std::filesystem::path& ScratchFolder() {
  static std::filesystem::path folder;
  return folder;
}

void RemoveScratchFolder() {
  std::error_code ignored;
  if (!ScratchFolder().empty()) std::filesystem::remove_all(ScratchFolder(), ignored);
}

}  // namespace

void MakeScratchFolder() {
  std::error_code ec;
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
  std::string pattern = (base / "ts2fuzz.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  ScratchFolder() = pattern;
  std::atexit(RemoveScratchFolder);
}

InScratchFolder::InScratchFolder() : saved_(::open(".", O_RDONLY | O_DIRECTORY)) {
  if (saved_ < 0 || ::chdir(ScratchFolder().c_str()) != 0) std::abort();
}

InScratchFolder::~InScratchFolder() {
  if (::fchdir(saved_) != 0) std::abort();
  ::close(saved_);
}

headless::HeadlessProgram& ReusedProgram() {
  static std::unique_ptr<headless::HeadlessProgram> program;
  if (!program || program->form().closed) {
    program.reset();
    program = std::make_unique<headless::HeadlessProgram>();
  }
  program->ui.script = headless::Script{};
  return *program;
}

std::string WriteScratchFile(std::string_view name, std::span<const uint8_t> bytes) {
  const std::string path = (ScratchFolder() / name).string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  return path;
}

}  // namespace ts2::fuzz
