// Every command's wrong usage (exit 2), bad input (exit 1), --help and --version.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include <filesystem>

#include "tool.h"

namespace ts2::test {
namespace {

using ToolUsage = DemoSet;  // in the demo set's folder

TEST_F(ToolUsage, ErrorsAreOneLineOnStderrWithTheirExitStatus) {
  dir.write("short.sfc", "x");
  struct Case {
    const char* args;
    int status;
  } cases[] = {
      {"", 2},
      {"frob", 2},
      {"demo", 2},
      {"demo ''", 2},                           // not the current folder, whose Dumps it would overwrite
      {"skeleton 2 -o out.png -o out.sfc", 2},  // which one was meant?
      {"decode demo.sfc demo.txt --block 0 --string 0 --block=1", 2},
      {"info", 2},
      {"info missing.sfc", 1},
      {"decompress demo.sfc zz", 2},
      {"decompress demo.sfc 0x140000", 1},  // past the end of the ROM data
      {"datafile", 2},
      {"datafile missing.txt", 1},
      {"tbl", 2},
      {"tbl missing.tbl", 1},
      {"decode demo.sfc demo.txt --block 0", 2},
      {"decode missing.sfc demo.txt --block 0 --string 0", 1},
      {"encode a b", 2},
      {"encode missing.txt", 1},
      {"skeleton 65536", 2},
      {"skeleton ' 3'", 2},  // a number is digits from its first character: no blank, no sign
      {"skeleton +3", 2},
      {"decode demo.sfc demo.txt --block 0 --string ' -18446744073709551615'", 2},  // no wrapping round
      {"skeleton 1 -o /nonexistent-dir/x.txt", 1},
      {"render demo.sfc demo.txt", 2},                            // no -o
      {"render demo.sfc demo.txt -o out.bmp", 2},                 // unknown format
      {"render demo.sfc demo.txt --scroll-rom 8 -o out.png", 2},  // not a step of 16
      {"render demo.sfc demo.txt --color pink -o out.png", 2},
      {"render short.sfc demo.txt -o out.png", 1},  // not the game's ROM
      {"patch demo.sfc demo.ips", 2},
      {"patch missing.sfc demo.ips -o out.sfc", 1},
      {"diff demo.sfc demo.sfc", 2},  // no -o
      {"diff demo.sfc missing.sfc -o out.sfc --format ips", 1},
      {"patchinfo", 2},
      {"patchinfo demo.ips --rom missing.sfc", 1},
      {"kana demo.txt", 2},
      {"kana demo.txt GG", 1},
      {"check demo.sfc demo.txt --vwf maybe", 2},
      {"check demo.sfc demo.txt --dumps nowhere", 1},
      {"font demo.sfc", 2},
      {"font short.sfc -o out.png", 1},
      {"demo . --header", 1},  // over a demo.sfc without a header
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = RunTool(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_STARTS(r.err, "ts2tool: ");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    if (c.status == 1) {
      EXPECT_EQ(r.out, "");
    }
    // A failed command leaves no output file behind.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.png"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.sfc"));
  }
}

TEST_F(ToolUsage, HelpAndVersion) {
  const ToolRun all = RunTool(dir, "--help");
  EXPECT_EQ(all.status, 0);
  for (const char* command :
       {"info",      "decompress", "datafile", "tbl",     "decode",   "encode",  "skeleton",
        "render",    "patch",      "kana",     "check",   "font",     "demo",    "diff",
        "patchinfo", "progress",   "find",     "replace", "original", "similar", "recover"}) {
    SCOPED_TRACE(command);
    EXPECT_HAS(all.out, std::string("  ") + command + " ");
    const ToolRun help = RunTool(dir, std::string(command) + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_STARTS(help.out, std::string("usage: ts2tool ") + command + " ");
  }
  EXPECT_RUN(RunTool(dir, "--version"), 0, std::string("ts2tool ") + TS2_VERSION + "\n");
}

// A file that cannot be read or written is named with the system's reason, as other tools of the
// shell name it, whatever command meets it: a missing file, a folder, a full device, a pipe.
TEST_F(ToolUsage, AFileThatCannotBeReadOrWrittenIsNamedWithTheReason) {
  std::filesystem::create_directory(dir.file("folder"));
  std::filesystem::create_symlink("nowhere", dir.file("dangling"));
  dir.write("section.txt", ".STRING 0\r\nHi\r\n.ENDS\r\n");
  const auto cannot = [](const std::string& what, const char* why) {
    return "ts2tool: cannot " + what + ": " + why + "\n";
  };
  constexpr char kMissing[] = "No such file or directory", kFolder[] = "Is a directory",
                 kFull[] = "No space left on device";
  const struct {
    std::string command;  // for the shell, in the demo set's folder; each fails with exit 1
    std::string err;
  } cases[] = {
      // reads
      {"TOOL info missing.sfc", cannot("read missing.sfc", kMissing)},
      {"TOOL info folder", cannot("read folder", kFolder)},
      {"cat demo.sfc | TOOL info /dev/stdin",
       cannot("read /dev/stdin", "its length cannot be told (a pipe?)")},
      {"TOOL patch folder demo.ips -o out.sfc", cannot("read folder", kFolder)},
      {"TOOL diff demo.sfc missing.sfc -o out.ips", cannot("read missing.sfc", kMissing)},
      {"TOOL patchinfo demo.ips --rom folder", cannot("read folder", kFolder)},
      {"TOOL datafile folder", cannot("read folder", kFolder)},
      {"TOOL tbl missing.tbl", cannot("read missing.tbl", kMissing)},
      {"TOOL encode folder", cannot("read folder", kFolder)},
      {"TOOL kana missing.txt 00", cannot("read missing.txt", kMissing)},
      {"TOOL render folder demo.txt -o out.png", cannot("read ROM file folder", kFolder)},
      {"TOOL render demo.sfc missing.txt -o out.png", cannot("read data file missing.txt", kMissing)},
      // writes
      {"TOOL patch demo.sfc demo.ips -o folder", cannot("write folder", kFolder)},
      {"TOOL patch demo.sfc demo.ips -o nowhere/out.sfc", cannot("write nowhere/out.sfc", kMissing)},
      {"TOOL patch demo.sfc demo.ips -o dangling", cannot("write dangling", kMissing)},
      {"TOOL patch demo.sfc demo.ips -o /dev/full", cannot("write /dev/full", kFull)},
      {"TOOL font demo.sfc -o folder", cannot("write folder", kFolder)},
      {"TOOL skeleton 2 -o nowhere/x.txt", cannot("write nowhere/x.txt", kMissing)},
      {"TOOL skeleton 2 >/dev/full", cannot("write the output", kFull)},
      {"TOOL info demo.sfc >/dev/full", cannot("write the output", kFull)},
      {"TOOL --help >/dev/full", cannot("write the output", kFull)},
      {"TOOL --version >/dev/full", cannot("write the output", kFull)},
      // every command's output, whoever prints it
      {"TOOL encode section.txt >/dev/full", cannot("write the output", kFull)},
      // more than a buffer: printed as it goes, the reason of the failed write is not kept
      {"TOOL encode demo.txt >/dev/full", "ts2tool: cannot write the output\n"},
      {"TOOL patchinfo demo.ips >/dev/full", cannot("write the output", kFull)},
      {"TOOL demo again >/dev/full", cannot("write the output", kFull)},
      {"TOOL check demo.sfc demo.txt --vwf on >/dev/full", cannot("write the output", kFull)},
      {"TOOL encode <folder", cannot("read the input", kFolder)},
      {"TOOL import demo.sfc demo.txt - <folder", cannot("read the input", kFolder)},
      // an error is one line, a message of the editor's that takes two as well
      {"TOOL decode section.txt demo.txt --block 0 --string 0",
       "ts2tool: section.txt: Error: This is not the ROM used. Please load the correct ROM.\n"},
      // the block a command shows when none is named is block 0
      {"TOOL render demo.sfc /dev/null -o out.png",
       "ts2tool: block 0 does not exist (the data file lists 0)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    // Through the shell, so that the case can name its own stdin and stdout.
    const ToolRun r = RunShell(dir, c.command);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
}

// An output named by one of the shell's descriptors (/dev/stdout, /dev/fd/3) is written through
// it, beside what the shell writes there, and a file the shell appends to keeps every run's part.
TEST_F(ToolUsage, AnOutputNamingAnOpenDescriptorIsWrittenThroughIt) {
  const std::string one = RunTool(dir, "skeleton 1").out, two = RunTool(dir, "skeleton 2").out;
  ASSERT_FALSE(one.empty());
  const struct {
    const char* command;  // for the shell; what it leaves in out.txt
    std::string expected;
  } cases[] = {
      {"{ echo A; TOOL skeleton 1 -o /dev/stdout; echo B; } >out.txt", "A\n" + one + "B\n"},
      {"for n in 1 2; do TOOL skeleton \\$n -o /dev/stdout >>out.txt; done", one + two},
      {"{ echo A >&2; TOOL skeleton 1 -o /dev/stderr; } 2>out.txt", "A\n" + one},
      {"echo A >out.txt; TOOL skeleton 2 -o /dev/fd/3 3>>out.txt", "A\n" + two},
      {"TOOL skeleton 1 -o /proc/self/fd/1 >out.txt", one},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    std::filesystem::remove(dir.file("out.txt"));
    const ToolRun r = RunShell(dir, c.command);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileText(dir.file("out.txt")), c.expected);
  }
}

// The demo written again into its folder changes nothing; over a file of its own with other
// contents (a translation typed into the demo) it writes nothing at all.
TEST_F(ToolUsage, TheDemoWritesOverNothingButItself) {
  ToolRun r = RunTool(dir, "demo .");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.out, "Dumps/000A0000.txt\n");
  const std::string typed = ReadFileText(dir.file("Dumps/000A0000.txt")) + "\r\n";
  dir.write("Dumps/000A0000.txt", typed);
  std::filesystem::remove(dir.file("demo.tbl"));
  r = RunTool(dir, "demo .");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_HAS(r.err, "Dumps/000A0000.txt is there with other contents than the demo's; nothing was written");
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), typed);
  EXPECT_FALSE(std::filesystem::exists(dir.file("demo.tbl")));
  // A name that is no plain file (a folder, a pipe, which would wait for a writer) is not
  // taken for one it may write over, nor opened.
  std::filesystem::create_directories(dir.file("other/demo.sfc"));
  ASSERT_EQ(::mkfifo(dir.file("other/demo.tbl").c_str(), 0600), 0);
  for (const char* name : {"demo.sfc", "demo.tbl"}) {
    r = RunTool(dir, "demo other");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "ts2tool: other/" + std::string(name) + " is there and is not a file; nothing was written\n");
    std::filesystem::remove(dir.file("other/demo.sfc"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("other/demo.txt")));
}

// Bash completion, read from the program's own help: commands, a command's options, the choices
// an option names in its synopsis, folders for DIR and files for FILE, nothing for a number. With
// bash-completion loaded too, finding the script where it is installed.
TEST_F(ToolUsage, BashCompletesCommandsOptionsAndValuesFromTheHelp) {
  TempDir share;
  const std::string tool = std::filesystem::path(TS2_TOOL_PATH).parent_path().string();
  const struct {
    const char* line;  // up to the cursor
    const char* offered;
  } cases[] = {
      {"ts2tool pa", "patch patchinfo"},
      {"ts2tool --v", "--version"},
      {"ts2tool check demo.sfc demo.txt --v", "--vwf"},
      {"ts2tool check demo.sfc demo.txt --vwf ", "on off"},
      {"ts2tool render demo.sfc demo.txt --color ", "blue green red"},
      {"ts2tool diff demo.sfc b.sfc --format b", "bps"},
      {"ts2tool find demo.sfc demo.txt x -", "--help --dumps -i -w --original --translated"},
      {"ts2tool check demo.sfc demo.txt --dumps ", "Dumps"},
      // An option before a "|" of the synopsis takes no value.
      {"ts2tool recover demo.sfc demo.txt --restore --force -",
       "--help --dumps --autosave --restore --force --discard -n"},
      {"ts2tool patch demo.s", "demo.sfc"},
      {"ts2tool render demo.sfc demo.txt -o demo.i", "demo.ips"},
      {"ts2tool render demo.sfc demo.txt --block ", ""},
      {"ts2tool check demo.sfc demo.txt --spell fr_F", "fr_FR"},  // an installed dictionary
  };
  const std::string loaded = "/usr/share/bash-completion/bash_completion";
  for (const bool withBashCompletion : {false, true}) {
    if (withBashCompletion && !std::filesystem::exists(loaded)) {
      GTEST_SKIP() << "bash-completion is not installed (scripts/setup.sh installs it)";
    }
    // Where bash-completion looks for a command's completion: a share folder's
    // bash-completion/completions/COMMAND.
    std::filesystem::create_directories(share.path() / "bash-completion/completions");
    std::filesystem::copy_file(TS2_COMPLETION_PATH, share.file("bash-completion/completions/ts2tool"),
                               std::filesystem::copy_options::overwrite_existing);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.line) + (withBashCompletion ? " (bash-completion loaded)" : ""));
      const std::string load = withBashCompletion ? "XDG_DATA_DIRS='" + share.path().string() + "'; source " +
                                                        loaded + "; _completion_loader ts2tool\n"
                                                  : std::string("source ") + TS2_COMPLETION_PATH + "\n";
      dir.write("complete.sh", "PATH='" + tool + "':$PATH\n" + load + "line='" + c.line +
                                   "'\n"
                                   "read -ra COMP_WORDS <<<\"$line\"\n"
                                   "[[ $line == *' ' ]] && COMP_WORDS+=('')\n"
                                   "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                   "_ts2tool\n"
                                   "echo \"${COMPREPLY[*]}\"\n");
      const ToolRun r = RunProgram("/bin/bash", dir, "complete.sh");
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, std::string(c.offered) + "\n");
    }
  }
}

// ts2tool without ts2tool-qt beside it (a copy of it alone): what it holds runs as before, with
// the same output and errors.
TEST_F(ToolUsage, AloneItRunsWhatItHolds) {
  TempDir alone;
  std::filesystem::copy_file(TS2_TOOL_PATH, alone.file("ts2tool"));
  std::filesystem::permissions(alone.file("ts2tool"), std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const struct {
    const char* args;
    int status;
    const char* err;  // a part of stderr
  } cases[] = {
      {"check demo.sfc demo.txt", 1, ""},
      {"check demo.sfc demo.txt --words Dumps/words.txt", 2, "--words needs --spell"},
      {"patch demo.sfc missing.ips -o out.sfc", 1, "ts2tool: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun full = RunTool(dir, c.args), lone = RunProgram(alone.file("ts2tool"), dir, c.args);
    EXPECT_EQ(lone.status, c.status);
    EXPECT_HAS(lone.err, c.err);
    EXPECT_EQ(lone.out, full.out);
    EXPECT_EQ(lone.err, full.err);
  }
}

// ts2tool alone cannot run what it hands over to ts2tool-qt (its commands and the help that
// lists them all): it says so in one line, with the paths it tried and why, instead of calling
// the command unknown or listing half of the commands.
TEST_F(ToolUsage, AloneItSaysWhyItCannotHandOver) {
  TempDir alone;
  const std::filesystem::path copy = std::filesystem::canonical(alone.path()) / "ts2tool";
  std::filesystem::copy_file(TS2_TOOL_PATH, copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  const std::string tried = "ts2tool: cannot start ts2tool-qt (tried " +
                            (copy.parent_path() / "ts2tool-qt").string() + " and " +
                            copy.parent_path().string() + "/";
  const struct {
    const char* args;
    bool unrunnable;     // a ts2tool-qt beside it that is not executable
    const char* reason;  // the end of the line; nullptr: not a hand-over
  } cases[] = {
      {"--help", false, "/ts2tool-qt): No such file or directory\n"},
      {"help", false, "/ts2tool-qt): No such file or directory\n"},
      {"font demo.sfc -o out.png", false, "/ts2tool-qt): No such file or directory\n"},
      {"render demo.sfc demo.txt --help", false, "/ts2tool-qt): No such file or directory\n"},
      {"check demo.sfc demo.txt --spell fr_FR", false, "/ts2tool-qt): No such file or directory\n"},
      // The reason of the one that is there, not that the other is missing.
      {"font demo.sfc -o out.png", true, "/ts2tool-qt): Permission denied\n"},
      // What neither program has is still unknown.
      {"frob", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.args) + (c.unrunnable ? " (ts2tool-qt not executable)" : ""));
    std::filesystem::remove(alone.file("ts2tool-qt"));
    if (c.unrunnable) alone.write("ts2tool-qt", "");
    const ToolRun lone = RunProgram(copy.string(), dir, c.args);
    EXPECT_EQ(lone.status, 2);
    EXPECT_EQ(lone.out, "");
    EXPECT_EQ(std::count(lone.err.begin(), lone.err.end(), '\n'), 1) << lone.err;
    if (c.reason) {
      EXPECT_STARTS(lone.err, tried);
      EXPECT_TRUE(lone.err.ends_with(c.reason)) << lone.err;
    } else {
      EXPECT_EQ(lone.err, "ts2tool: unknown command 'frob' (see ts2tool --help)\n");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.png"));

  // Every command the whole help lists either runs in ts2tool alone or is handed over: none is
  // unknown to it.
  std::filesystem::remove(alone.file("ts2tool-qt"));
  const ToolRun all = RunTool(dir, "--help");
  ASSERT_EQ(all.status, 0);
  size_t handedOver = 0, listed = 0;
  for (size_t at = all.out.find("\n  ", all.out.find("commands:")); at != std::string::npos;
       at = all.out.find("\n  ", at + 1)) {
    const std::string command = all.out.substr(at + 3, all.out.find(' ', at + 3) - (at + 3));
    SCOPED_TRACE(command);
    ++listed;
    const ToolRun help = RunProgram(copy.string(), dir, command + " --help");
    if (help.status == 0) {
      EXPECT_STARTS(help.out, "usage: ts2tool " + command + " ");
    } else {
      ++handedOver;
      EXPECT_EQ(help.status, 2);
      EXPECT_STARTS(help.err, tried);
    }
  }
  EXPECT_GT(listed, 20u);
  EXPECT_GT(handedOver, 0u);
}

}  // namespace
}  // namespace ts2::test
