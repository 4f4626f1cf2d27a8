// The plain programs that ts2tool's whole-process figures are compared with (ts2_process_bench):
//   ts2_floor read FILE      reads FILE through a 128 KiB buffer, as `cat FILE > /dev/null` does
//   ts2_floor copy IN OUT    reads IN and replaces OUT with its bytes as ts2tool writes an output:
//                            a temporary file beside OUT, written, flushed to disk, renamed, and
//                            the folder's entries flushed (WriteFileAtomic's steps)
//   ts2_floor copy IN OUT ALSO...
//                            the same, having first read each ALSO file through the buffer (the
//                            patches a patcher has to read besides the image)
//   ts2_floor peak OUT CMD [ARG...]
//                            runs CMD as this small program's child and writes the child's peak
//                            resident set (KiB) into OUT; CMD's exit status is this one's. A child
//                            started straight from the benchmark would report the benchmark's own
//                            peak (the kernel keeps it across the child's exec), this one about
//                            this program's 2 MiB at most, as `/usr/bin/time -f %M` does.
// Standard C and POSIX only, so the program starts as fast as a program can.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  static char chunk[128 * 1024];
  if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
    std::FILE* in = std::fopen(argv[2], "rb");
    if (!in) return 1;
    while (std::fread(chunk, 1, sizeof chunk, in) > 0) {
    }
    return std::fclose(in) == 0 ? 0 : 1;
  }
  if (argc >= 4 && std::strcmp(argv[1], "copy") == 0) {
    for (int i = 4; i < argc; ++i) {
      std::FILE* also = std::fopen(argv[i], "rb");
      if (!also) return 1;
      while (std::fread(chunk, 1, sizeof chunk, also) > 0) {
      }
      std::fclose(also);
    }
    std::FILE* in = std::fopen(argv[2], "rb");
    const std::string temp = std::string(argv[3]) + ".tmp~";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (!in || !out) return 1;
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
      if (std::fwrite(chunk, 1, n, out) != n) return 1;
    if (std::fflush(out) != 0 || ::fsync(fileno(out)) != 0 || std::fclose(out) != 0) return 1;
    std::fclose(in);
    struct stat st;
    if (::stat(argv[3], &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
    if (std::rename(temp.c_str(), argv[3]) != 0) return 1;
    const char* slash = std::strrchr(argv[3], '/');
    const std::string folder = slash ? std::string(argv[3], static_cast<size_t>(slash - argv[3])) : ".";
    const int dir = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir < 0 || ::fsync(dir) != 0) return 1;
    return ::close(dir) == 0 ? 0 : 1;
  }
  if (argc >= 4 && std::strcmp(argv[1], "peak") == 0) {
    const pid_t child = ::fork();
    if (child < 0) return 1;
    if (child == 0) {
      ::execv(argv[3], argv + 3);
      ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) return 1;
    std::FILE* out = std::fopen(argv[2], "w");
    if (!out || std::fprintf(out, "%ld\n", usage.ru_maxrss) < 0 || std::fclose(out) != 0) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
  }
  std::fprintf(stderr, "usage: ts2_floor read FILE | copy IN OUT [ALSO...] | peak OUT CMD [ARG...]\n");
  return 2;
}
