// A save killed while it writes leaves the previous file whole. The child process runs the real
// save; the temporary file it writes through is a FIFO that this process drains, so the child is
// stopped for certain in the middle of its write, with part of the new bytes already written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/fileutil.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using test::LoadedProgram;
using test::ReadFileBytes;

constexpr size_t kDrained = 200000;  // bytes taken from the save before it is killed (> a pipe)

// Runs `save` in a child process, lets it write `kDrained` bytes and kills it with SIGKILL.
// Returns the bytes it wrote.
std::string KillMidSave(const std::string& path, const std::function<void()>& save) {
  const std::string temp = path + ".tmp~";  // where WriteFileAtomic writes first
  EXPECT_EQ(::mkfifo(temp.c_str(), 0600), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    save();
    ::_exit(3);  // the save must not get past its write
  }
  std::string got;
  const int fd = ::open(temp.c_str(), O_RDONLY | O_NONBLOCK);
  EXPECT_GE(fd, 0);
  char buffer[4096];
  while (fd >= 0 && got.size() < kDrained) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 20000) <= 0) break;  // the child never wrote
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, kDrained - got.size()));
    if (n < 0 && errno == EAGAIN) continue;
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (fd >= 0) ::close(fd);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the save ended before it was killed";
  EXPECT_EQ(got.size(), kDrained);
  // A crash leaves a partly written temporary file behind; the next save must not mind it.
  std::filesystem::remove(temp);
  std::ofstream(temp, std::ios::binary) << got;
  return got;
}

TEST(InterruptedSave, RomFileStaysWholeAndTheNextSaveWorks) {
  LoadedProgram lp({}, test::RomBuilder(0x200000));
  TmyForm& form = lp.form();
  const std::vector<uint8_t> before = ReadFileBytes(form.gROMPath);
  std::fill_n(form.gROM + 0x1000, 0x100000, 0x5A);
  form.gROMModified = 1;

  const std::string written = KillMidSave(form.gROMPath, [&] { form.SaveRomFile1Click(kNoSender); });
  EXPECT_TRUE(written == std::string(reinterpret_cast<const char*>(form.romAlloc.get()), kDrained));
  EXPECT_EQ(ReadFileBytes(form.gROMPath), before);

  form.SaveRomFile1Click(kNoSender);
  EXPECT_EQ(ReadFileBytes(form.gROMPath),
            std::vector<uint8_t>(form.romAlloc.get(), form.romAlloc.get() + form.gROMSize));
  EXPECT_FALSE(std::filesystem::exists(form.gROMPath + ".tmp~"));
}

TEST(InterruptedSave, TranslationFileStaysWholeAndTheNextSaveWorks) {
  for (bool linked : {false, true}) {
    SCOPED_TRACE(linked ? "saved through a link" : "a plain file");
    LoadedProgram lp({{0x1A8000, 10000}});
    lp.select(0);
    std::string path = lp.form().gTextPath;
    if (linked) {  // the file lives in the team's repository; Dumps holds a link to it
      const std::filesystem::path repo = lp.dir.path() / "repo";
      std::filesystem::create_directory(repo);
      std::filesystem::rename(path, repo / "001A8000.txt");
      std::filesystem::create_symlink(repo / "001A8000.txt", path);
      path = (repo / "001A8000.txt").string();
    }
    const std::vector<uint8_t> before = ReadFileBytes(path);
    lp.editor().type(std::string(1 << 20, 'w') + "\n");  // about 1 MB of translation

    const std::string written = KillMidSave(path, [&] { lp.form().SaveTextFile1Click(kNoSender); });
    EXPECT_TRUE(written == EditorTextToFileBytes(lp.editor().text()).substr(0, kDrained));
    EXPECT_EQ(ReadFileBytes(path), before);

    lp.form().SaveTextFile1Click(kNoSender);
    EXPECT_EQ(test::ReadFileText(path), EditorTextToFileBytes(lp.editor().text()));
    EXPECT_FALSE(lp.editor().modified());
    EXPECT_EQ(std::filesystem::is_symlink(lp.form().gTextPath), linked);
  }
}

}  // namespace
}  // namespace ts2
