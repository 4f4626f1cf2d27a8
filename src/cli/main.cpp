// ts2tool: the editor's handlers, run headless for batch work.
//
// Built twice: as ts2tool-qt with every command, and as ts2tool with the commands that need no Qt
// (TS2_TOOL_QT_DIR set), which hands the others, and the help that lists them all, over to
// ts2tool-qt.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/fileutil.h"

namespace ts2::cli {
namespace {

char** gArgv = nullptr;  // this program's arguments, for HandOver

void PrintHelp() {
  std::printf("usage: ts2tool COMMAND [ARGS...]\n       ts2tool COMMAND --help\n\ncommands:\n");
  // By name: the order of the command files, whichever program (ts2tool, ts2tool-qt) lists them.
  std::vector<const Command*> sorted = Commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command* a, const Command* b) { return std::strcmp(a->name, b->name) < 0; });
  for (const Command* c : sorted) std::printf("  %-12s %s\n", c->name, c->summary);
}

}  // namespace

std::string HandOver() {
#ifdef TS2_TOOL_QT_DIR
  const std::string cannot = "cannot start ts2tool-qt";
  // Beside this program (in the build) or in its folder under libexec (installed).
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return cannot + " (cannot read /proc/self/exe): " + std::strerror(errno);
  if (!gArgv) return cannot + ": no arguments to hand over";
  self.resize(static_cast<size_t>(n));
  const std::string dir = self.substr(0, self.rfind('/') + 1);
  const std::string paths[] = {dir + "ts2tool-qt", dir + TS2_TOOL_QT_DIR "/ts2tool-qt"};
  int error = 0;
  for (const std::string& path : paths) {
    ::execv(path.c_str(), gArgv);
    // Why the one that is there cannot run (not executable, not a program) says more than that
    // the other is missing.
    if (error == 0 || error == ENOENT) error = errno;
  }
  return cannot + " (tried " + paths[0] + " and " + paths[1] + "): " + std::strerror(error);
#else
  return {};
#endif
}

std::vector<const Command*> Commands() {
  std::vector<const Command*> commands;
  for (const Registrar* r = Registrar::first_; r; r = r->next_) commands.push_back(r->command_);
  return commands;
}

int Fail(int status, const std::string& message) {
  // One line, whatever the message: the editor's own messages break theirs ("This is not the ROM
  // used.\nPlease load the correct ROM."), and a script reads errors line by line.
  std::string line;
  for (const char c : message) {
    const bool lineEnd = c == '\r' || c == '\n';
    if (!lineEnd)
      line += c;
    else if (!line.empty() && line.back() != ' ')
      line += ' ';
  }
  std::fprintf(stderr, "ts2tool: %s\n", line.c_str());
  return status;
}

std::optional<uint64_t> NumberOption(const ParsedArgs& parsed, const char* name, uint64_t fallback,
                                     uint64_t least, uint64_t most, const char* what, std::string& error) {
  const std::optional<std::string> word = parsed.get(name);
  if (!word) return fallback;
  const std::optional<uint64_t> n = ParseNumber(*word);
  if (!n || *n < least || *n > most) {
    error = std::string(name) + " takes " + what + ", not '" + *word + "'";
    return std::nullopt;
  }
  return n;
}

std::string FolderBusy(const std::string& dumps) {
  // Held, not necessarily changed: another command may only be reading them to change them.
  return "another program held the translation files in " + dumps + " for " +
         std::to_string(FolderLock::kWaitMs / 1000) + " s; nothing was written";
}

std::string DumpsFolder(const ParsedArgs& parsed) {
  std::string dumps = parsed.get("--dumps").value_or("Dumps");
  while (dumps.size() > 1 && dumps.back() == kPathSep) dumps.pop_back();
  return dumps;
}

int CannotRead(int status, const std::string& path) {
  const int error = errno;
  return Fail(status, "cannot read " + path + ": " + std::strerror(error));
}

bool Readable(const std::string& path) {
  // Without waiting for a writer, as a FIFO would make an open for reading wait.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  ::close(fd);
  if (folder) errno = EISDIR;
  return !folder;
}

int CannotWrite(int status, const std::string& path) {
  const int error = errno;
  return Fail(status, "cannot write " + (path.empty() || path == "-" ? std::string("the output") : path) +
                          ": " + std::strerror(error));
}

int UsageError(const Command& command, const std::string& message) {
  // One line, as every error is: scripts read an error from the first line of stderr.
  std::fprintf(stderr, "ts2tool: %s (usage: ts2tool %s)\n", message.c_str(), command.usage);
  return kExitUsage;
}

std::optional<uint64_t> ParseNumber(const std::string& word) {
  return ParseCNumber(word);
}

std::optional<std::string> ParsedArgs::get(const std::string& name) const {
  std::optional<std::string> value;
  for (const auto& [k, v] : options)
    if (k == name) value = v;
  return value;
}

bool ParsedArgs::has(const std::string& name) const {
  return get(name).has_value();
}

namespace {

bool ParseArgs(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, ParsedArgs& out, std::string& error) {
  auto contains = [](const std::vector<std::string>& list, const std::string& s) {
    for (const auto& x : list)
      if (x == s) return true;
    return false;
  };
  bool optionsEnded = false;  // after "--" every word is an argument: text may begin with a dash
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded) {
      out.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      out.help = true;
      continue;
    }
    if (a.size() > 1 && a[0] == '-') {
      std::string name = a, value;
      bool inlineValue = false;
      if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      if (contains(valueOptions, name)) {
        if (!inlineValue) {
          if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return false;
          }
          value = args[++i];
        }
        // A value given twice (a script's default and its own) is not for the tool to choose from.
        if (out.get(name)) {
          error = "option " + name + " given twice";
          return false;
        }
        out.options.emplace_back(name, value);
      } else if (contains(flagOptions, name) && !inlineValue) {
        out.options.emplace_back(name, "");
      } else {
        error = "unknown option " + a;
        return false;
      }
      continue;
    }
    out.positional.push_back(a);
  }
  return true;
}

}  // namespace

std::optional<int> StartCommand(const Command& self, const std::vector<std::string>& args,
                                const std::vector<std::string>& valueOptions,
                                const std::vector<std::string>& flagOptions, ParsedArgs& out,
                                const char* details) {
  std::string error;
  if (!ParseArgs(args, valueOptions, flagOptions, out, error)) return UsageError(self, error);
  if (!out.help) return std::nullopt;
  std::printf("usage: ts2tool %s\n%s\n%s%s", self.usage, self.summary, *details ? "\n" : "", details);
  return kExitOk;
}

std::optional<int> DescriptorNamed(const std::string& path) {
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  std::string_view rest;
  for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                    "/proc/" + std::to_string(::getpid()) + "/fd/"})
    if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
      rest = std::string_view(path).substr(prefix.size());
  if (rest.empty() || rest.size() > 9 || rest.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return std::stoi(std::string(rest));
}

bool WriteOutput(const std::string& path, const void* data, size_t size) {
  if (path.empty() || path == "-")
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
  // A name of one of this process's open descriptors (/dev/stdout, /dev/fd/3) leads to whatever
  // the shell opened: written through the descriptor, where the shell's other output goes too.
  // Replacing the file it leads to would leave the shell writing into a deleted copy.
  if (const std::optional<int> fd = DescriptorNamed(path)) {
    if (*fd == 1 && std::fflush(stdout) != 0) return false;
    const auto* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
      const ssize_t n = ::write(*fd, bytes + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // A device or a pipe named as the output (/dev/null, a FIFO) is written to, not replaced.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    const int error = errno;
    if (std::fclose(f) != 0) return false;
    errno = error;
    return ok;
  }
  // A file is replaced whole or not at all, as the editor saves: a failed write (a full disk, a
  // size limit) leaves the old file, and an output that is also an input is read before it goes.
  return WriteFileAtomic(path, data, size);
}

// What was printed and the system could not take (a full disk, a closed pipe) is not a success.
int Printed() {
  if (std::fflush(stdout) != 0) return CannotWrite(kExitBadInput, "-");
  if (std::ferror(stdout)) return Fail(kExitBadInput, "cannot write the output");  // why is gone
  return kExitOk;
}

}  // namespace ts2::cli

int main(int argc, char** argv) {
  using namespace ts2::cli;
  gArgv = argv;
  std::vector<std::string> args(argv + 1, argv + argc);
  // The help lists every command, ts2tool-qt's too: ts2tool hands it over, and says so when it
  // cannot rather than list only half of them.
  if (args.empty())  // wrong usage, told in one line as every error is; --help prints the list
    return Fail(kExitUsage,
                "no command given (usage: ts2tool COMMAND [ARGS...]; ts2tool --help lists the commands)");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    if (const std::string failed = HandOver(); !failed.empty()) return Fail(kExitUsage, failed);
    PrintHelp();
    return Printed();
  }
  if (args[0] == "--version") {
    std::printf("ts2tool %s\n", TS2_VERSION);
    return Printed();
  }
  for (const Command* c : Commands()) {
    if (args[0] != c->name) continue;
    const int status = c->run(std::vector<std::string>(args.begin() + 1, args.end()));
    // What a command printed and the system could not take (a full disk, a closed pipe) is not
    // a success, whichever command printed it.
    if (status != kExitOk) return status;
    return Printed();
  }
  std::fflush(stdout);
  const std::string failed = HandOver();
#ifdef TS2_TOOL_QT_COMMANDS
  // One of ts2tool-qt's commands (their names, space-separated, from the build).
  if (!failed.empty() &&
      std::string(" " TS2_TOOL_QT_COMMANDS " ").find(" " + args[0] + " ") != std::string::npos)
    return Fail(kExitUsage, failed);
#endif
  return Fail(kExitUsage, "unknown command '" + args[0] + "' (see ts2tool --help)");
}
