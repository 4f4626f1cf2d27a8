// ts2tool's shared pieces: the command registry, argument helpers and error reporting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ts2::cli {

// Exit statuses of the contract.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitUsage = 2;

// A constant: its fields are set before the program starts, by the loader, not by code.
struct Command {
  const char* name;
  const char* usage;                                 // the synopsis line, e.g. "info ROM"
  const char* summary;                               // one line for `ts2tool --help`
  int (*run)(const std::vector<std::string>& args);  // args after the command name
};

// Commands register themselves from their own files: `const Registrar kRegister{kCommand};`.
// Registering links the command into a list: the program's start allocates nothing for it and
// runs none of the commands' code (a start that touches every command file's code and data
// costs a page fault for each).
class Registrar {
 public:
  explicit Registrar(const Command& command) : command_(&command), next_(first_) { first_ = this; }
  Registrar(const Registrar&) = delete;
  Registrar& operator=(const Registrar&) = delete;

 private:
  friend std::vector<const Command*> Commands();
  const Command* command_;
  const Registrar* next_;
  static inline const Registrar* first_ = nullptr;
};
std::vector<const Command*> Commands();  // every command of this program, in no particular order

// In ts2tool: replaces this process with ts2tool-qt (the whole ts2tool, Qt and Hunspell linked),
// run with the same arguments. Returns only when ts2tool-qt cannot be started, with why ("cannot
// start ts2tool-qt (tried PATH1 and PATH2): REASON"), and at once in ts2tool-qt itself, with "".
std::string HandOver();

// Prints "ts2tool: MESSAGE" on stderr and returns `status`.
int Fail(int status, const std::string& message);
int UsageError(const Command& command, const std::string& message);
// "cannot read PATH: REASON" and "cannot write PATH: REASON" ("the output" for stdout, "-" or ""),
// with the system's words for errno as the failed call left it, as perror gives them.
int CannotRead(int status, const std::string& path);
int CannotWrite(int status, const std::string& path);
// A file that can be opened for reading; false, with errno saying why, for one that cannot or for
// a folder.
bool Readable(const std::string& path);

// A number in C notation (0x1A8000, 42, 017); std::nullopt when the word is not one.
std::optional<uint64_t> ParseNumber(const std::string& word);

// A command's arguments: positional ones and options.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;  // in order given
  bool help = false;
  std::optional<std::string> get(const std::string& name) const;
  bool has(const std::string& name) const;
};
// The translation folder a command was given with --dumps DIR (./Dumps when none), without
// trailing separators.
std::string DumpsFolder(const ParsedArgs& parsed);
// The error of a command that found the translation folder `dumps` held by another program's
// command all the time it waited (FolderLock).
std::string FolderBusy(const std::string& dumps);
// Option `name` as a number within [least, most] (`fallback` when it is not given); std::nullopt
// with `error` set ("--min takes a percentage from 0 to 100, not 'x'") when it is not one.
std::optional<uint64_t> NumberOption(const ParsedArgs& parsed, const char* name, uint64_t fallback,
                                     uint64_t least, uint64_t most, const char* what, std::string& error);

// The start of every command. Splits `args` into `out`: `valueOptions` take the next argument
// (or "--opt=value"), `flagOptions` take none. With --help, prints the usage line, the summary
// and `details` (a text of whole lines) on stdout. Returns the exit status when the command ends
// here (help printed, or an unknown option reported), std::nullopt when it goes on.
std::optional<int> StartCommand(const Command& self, const std::vector<std::string>& args,
                                const std::vector<std::string>& valueOptions,
                                const std::vector<std::string>& flagOptions, ParsedArgs& out,
                                const char* details = "");

// The descriptor a path names directly: 1 for /dev/stdout, N for /dev/fd/N or /proc/self/fd/N.
std::optional<int> DescriptorNamed(const std::string& path);
// Writes OUT ("-" or "": stdout) whole; false, with errno saying why, when it cannot.
bool WriteOutput(const std::string& path, const void* data, size_t size);

}  // namespace ts2::cli
