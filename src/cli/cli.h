// ts2tool's shared pieces: the command registry, argument helpers and error reporting.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ts2::cli {

// Exit statuses of the contract.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitUsage = 2;

struct Command {
  const char* name;
  const char* usage;                                             // the synopsis line, e.g. "info ROM"
  const char* summary;                                           // one line for `ts2tool --help`
  std::function<int(const std::vector<std::string>& args)> run;  // args after the command name
};

// Commands register themselves from their own files: `static Registrar r{{...}};`.
struct Registrar {
  explicit Registrar(Command command);
};
const std::vector<Command>& Commands();

// In ts2tool: replaces this process with ts2tool-qt (the whole ts2tool, Qt and Hunspell linked),
// run with the same arguments. Returns only when there is no ts2tool-qt to run, and at once in
// ts2tool-qt itself.
void HandOver();

// Prints "ts2tool: MESSAGE" on stderr and returns `status`.
int Fail(int status, const std::string& message);
int UsageError(const Command& command, const std::string& message);

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

// The start of every command. Splits `args` into `out`: `valueOptions` take the next argument
// (or "--opt=value"), `flagOptions` take none. With --help, prints the usage line, the summary
// and `details` (a text of whole lines) on stdout. Returns the exit status when the command ends
// here (help printed, or an unknown option reported), std::nullopt when it goes on.
std::optional<int> StartCommand(const Command& self, const std::vector<std::string>& args,
                                const std::vector<std::string>& valueOptions,
                                const std::vector<std::string>& flagOptions, ParsedArgs& out,
                                const char* details = "");

bool WriteOutput(const std::string& path, const void* data, size_t size);  // "-" or "": stdout

}  // namespace ts2::cli
