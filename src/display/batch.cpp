#include "display/batch.h"

#include <fstream>
#include <random>
#include <system_error>

#include "core/fileutil.h"
#include "core/forms.h"

namespace fs = std::filesystem;

namespace ts2 {

namespace {

constexpr char kDumpsName[] = "Dumps";

// A new, empty folder under the system's temporary folder; empty path on failure.
fs::path MakeScratchFolder() {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) return {};
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path dir = base / Format("ts2-batch-%016llx", static_cast<unsigned long long>(random()));
    if (fs::create_directory(dir, ec)) return dir;
  }
  return {};
}

// Restores the working directory when it goes.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& dir) : saved_(fs::current_path(ec_)) {
    if (!ec_) fs::current_path(dir, ec_);
  }
  ~WorkingDirectory() {
    std::error_code ignored;
    if (!saved_.empty()) fs::current_path(saved_, ignored);
  }
  bool ok() const { return !ec_; }

 private:
  std::error_code ec_;
  fs::path saved_;
};

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.string();
}

}  // namespace

BatchSession::BatchSession(TmyForm& form) : form_(form) {
  scratch_ = MakeScratchFolder();
  if (scratch_.empty()) return;
  // An ordinary file where the translations folder would be: nothing can be created under it.
  std::ofstream blocker(scratch_ / kDumpsName);
  if (!blocker) {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
    scratch_.clear();
  }
}

BatchSession::~BatchSession() {
  std::error_code ignored;
  if (!scratch_.empty()) fs::remove_all(scratch_, ignored);
}

std::string BatchSession::NoTranslationDir() const {
  return (scratch_ / kDumpsName).string();
}

bool BatchSession::Open(const std::string& rom, const std::string& dataFile) {
  if (!ready()) return false;
  const std::string romPath = Absolute(rom), dataPath = dataFile.empty() ? dataFile : Absolute(dataFile);
  WorkingDirectory inScratch(scratch_);
  if (!inScratch.ok()) return false;
  return form_.OpenRomFile(romPath, dataPath) && !form_.closed;
}

std::optional<std::string> BatchSession::SelectBlock(int block, const std::optional<std::string>& dumpsDir) {
  Toolkit& ui = form_.ui;
  ListBox& bList = ui.list(ControlId::bList);
  if (!form_.gROM) return "no ROM image is loaded";
  if (block < 0 || block >= bList.count() || block >= kMaxBlocks)
    return Format("block %d does not exist (the data file lists %d)", block, bList.count());

  form_.gDumpDir = NoTranslationDir();
  if (dumpsDir) {
    const std::string dir = Absolute(*dumpsDir);
    const std::string file = Format("%s%c%08X.txt", dir.c_str(), kPathSep, form_.gBlockOffset[block]);
    if (FileExists(file)) form_.gDumpDir = dir;
  }
  bList.setItemIndex(block);
  form_.bListClick(&bList);
  return std::nullopt;
}

std::optional<std::string> BatchSession::Select(int block, int string,
                                                const std::optional<std::string>& dumpsDir) {
  if (auto error = SelectBlock(block, dumpsDir)) return error;
  Toolkit& ui = form_.ui;
  ListBox& pList = ui.list(ControlId::pList);
  if (string < 0 || string >= pList.count())
    return Format("string %d does not exist (block %d has %d)", string, block, pList.count());
  pList.setItemIndex(string);
  form_.pListClick(&pList);
  return std::nullopt;
}

}  // namespace ts2
