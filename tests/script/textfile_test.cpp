#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/fileutil.h"
#include "script/textfile.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::LoadedProgram;
using test::ReadFileText;

constexpr uint32_t kA = 0x1A8000, kB = 0x1A9000;
const char kSkeleton3[] =
    "// Do not erase these: \r\n// .STRING #\r\n// .ENDS\r\n\r\n\r\n"
    ".STRING 0\r\n\r\n\r\n.ENDS\r\n\r\n\r\n\r\n"
    ".STRING 1\r\n\r\n\r\n.ENDS\r\n\r\n\r\n\r\n"
    ".STRING 2\r\n\r\n\r\n.ENDS\r\n\r\n\r\n\r\n";

int Questions(const headless::HeadlessToolkit& ui) {
  int n = 0;
  for (const auto& s : ui.script.said) n += s.kind == headless::Script::Said::Question;
  return n;
}

// Makes later writes of `path` fail even for a privileged user: the temporary file they go
// through cannot be created where a folder of that name stands.
void BlockWritesTo(const std::string& path) {
  fs::create_directory(path + ".tmp~");
}

TEST(TranslationFile, NameAndNewFileBytes) {
  EXPECT_EQ(TranslationFileName("/x/Dumps", 0x1A8000), "/x/Dumps/001A8000.txt");
  EXPECT_EQ(TranslationFileName("d", 0xabcdef12), "d/ABCDEF12.txt");
  EXPECT_EQ(TranslationSkeleton(3), kSkeleton3);
  // 53 header bytes, then 27 bytes per section plus the digits of its number.
  for (const auto& [count, bytes] :
       {std::pair<uint32_t, size_t>{0, 53}, {10, 333}, {101, 53 + 280 + 2610 + 30}})
    EXPECT_EQ(TranslationSkeleton(count).size(), bytes) << count;
}

TEST(TextFileSwitch, MissingFileIsCreatedFromTheSkeletonAndShown) {
  LoadedProgram lp({{kA, 3}});
  lp.editor().type("typed before any block");  // no previous file: replaced without asking
  lp.select(0);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), kSkeleton3);
  EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(kSkeleton3));
  EXPECT_FALSE(lp.editor().modified());
  EXPECT_TRUE(lp.p.ui.messages().empty());
}

TEST(TextFileSwitch, ReselectingReloadsFromDiskWhenEditsAreDropped) {
  LoadedProgram lp({{kA, 1}});
  lp.select(0);
  lp.editor().type("edit ");
  lp.p.ui.script.questionAnswers.push_back(false);
  lp.select(0);
  ASSERT_EQ(lp.p.ui.script.said.size(), 1u);
  EXPECT_EQ(lp.p.ui.script.said[0].text, "Current data not saved. Do you wish to save it?");
  EXPECT_EQ(lp.p.ui.script.said[0].caption, "File Modified...");
  EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(TranslationSkeleton(1)));
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), TranslationSkeleton(1));
  EXPECT_FALSE(lp.editor().modified());
}

TEST(TextFileSwitch, AnsweringYesSavesToThePreviousFile) {
  LoadedProgram lp({{kA, 1}, {kB, 2}});
  lp.select(0);
  lp.editor().setSelection(0, 0);  // showing string 0 left the caret on its section header
  lp.editor().type("// mine\n");
  lp.p.ui.script.questionAnswers.push_back(true);
  lp.select(1);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), "// mine\r\n" + TranslationSkeleton(1));
  EXPECT_EQ(lp.p.ui.lastMessage(), "\"001A8000.txt\" was saved successfully!");
  EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(TranslationSkeleton(2)));
  EXPECT_FALSE(lp.editor().modified());
}

TEST(TextFileSwitch, NoQuestionWhenThePreviousFileIsGone) {
  LoadedProgram lp({{kA, 1}, {kB, 1}});
  lp.select(0);
  lp.editor().type("x");
  fs::remove(lp.textFile(kA));
  lp.select(1);
  EXPECT_EQ(Questions(lp.p.ui), 0);
  EXPECT_FALSE(fs::exists(lp.textFile(kA)));
}

TEST(TextFileSwitch, FileThatCannotBeCreatedLeavesAnEmptyEditor) {
  LoadedProgram lp({{kA, 1}, {kB, 1}});
  lp.select(0);
  fs::remove_all(lp.dir.path() / "Dumps");
  lp.select(1);
  EXPECT_EQ(lp.editor().text(), "");
  EXPECT_EQ(lp.form().gTextPath, lp.form().gDumpDir + "/001A9000.txt");
  ASSERT_EQ(lp.p.ui.messages().size(), 1u);
  EXPECT_NE(lp.p.ui.lastMessage().find("Could not create"), std::string::npos);
  EXPECT_FALSE(fs::exists(lp.textFile(kB)));
}

TEST(TextFileSwitch, FailedSaveAtThePromptKeepsTheEdits) {
  LoadedProgram lp({{kA, 1}, {kB, 1}});
  lp.select(0);
  lp.editor().type("precious");
  const std::string edited = lp.editor().text();
  BlockWritesTo(lp.textFile(kA));
  lp.p.ui.script.questionAnswers.push_back(true);
  lp.select(1);
  EXPECT_EQ(lp.editor().text(), edited);
  EXPECT_TRUE(lp.editor().modified());
  EXPECT_EQ(lp.form().gTextPath, lp.form().gDumpDir + "/001A8000.txt");
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), TranslationSkeleton(1));
  // Once writing works again, the next switch asks again and saves.
  fs::remove(lp.textFile(kA) + ".tmp~");
  lp.p.ui.script.questionAnswers.push_back(true);
  lp.select(1);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), EditorTextToFileBytes(edited));
  EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(TranslationSkeleton(1)));
}

TEST(TextFileSwitch, UnreadableFileIsNotMadeCurrent) {
  if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind a privileged user";
  LoadedProgram lp({{kA, 1}});
  const std::string path = lp.dir.write("Dumps/001A8000.txt", "secret\r\n");
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::replace);
  lp.select(0);
  EXPECT_EQ(lp.editor().text(), "");
  EXPECT_TRUE(lp.form().gTextPath.empty());
  lp.form().SaveTextFile1Click(kNoSender);
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_EQ(ReadFileText(path), "secret\r\n");
}

TEST(TextFileSave, MenuCommandWritesTheEditorText) {
  LoadedProgram lp({{kA, 1}});
  lp.select(0);
  lp.p.ui.TDMemo.setText(".STRING 0\nabc\n.ENDS");
  lp.editor().setModified(true);
  lp.p.form().RunMenuCommand(MenuId::SaveTextFile1);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), ".STRING 0\r\nabc\r\n.ENDS");
  EXPECT_EQ(lp.p.ui.messages(), std::vector<std::string>{"\"001A8000.txt\" was saved successfully!"});
  EXPECT_FALSE(lp.editor().modified());
}

TEST(TextFileSave, FileBytesRoundTrip) {
  std::string body;
  for (int c = 0; c < 256; ++c) {
    if (c == '\r' || c == '\n') continue;
    body.push_back(static_cast<char>(c));
    if (c % 40 == 39) body += "\r\n";
  }
  // Every byte but CR and LF survives, with or without a final line end; a lone LF is read as a
  // line end and written back as CR LF.
  for (const auto& [file, saved] : {std::pair{body + "\r\n", body + "\r\n"},
                                    {body, body},
                                    {"\r\n\r\n" + body + "\r\n\r\n", "\r\n\r\n" + body + "\r\n\r\n"},
                                    {std::string("a\nb\r\nc\n"), std::string("a\r\nb\r\nc\r\n")}}) {
    LoadedProgram lp({{kA, 1}});
    lp.dir.write("Dumps/001A8000.txt", file);
    lp.select(0);
    lp.form().SaveTextFile1Click(kNoSender);
    EXPECT_EQ(ReadFileText(lp.textFile(kA)), saved);
  }
}

TEST(TextFileSave, FailuresAreReportedAndKeepTheText) {
  {
    SCOPED_TRACE("no current file");
    LoadedProgram lp({{kA, 1}});
    lp.editor().type("typed");
    lp.form().SaveTextFile1Click(kNoSender);
    EXPECT_EQ(lp.editor().text(), "typed");
    EXPECT_TRUE(lp.editor().modified());
    EXPECT_NE(lp.p.ui.lastMessage().find("not saved"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(lp.dir.path() / "Dumps"));
  }
  {
    SCOPED_TRACE("file cannot be written");
    LoadedProgram lp({{kA, 1}});
    lp.select(0);
    lp.editor().setSelection(0, 0);  // showing string 0 left the caret on its section header
    lp.editor().type("typed");
    BlockWritesTo(lp.textFile(kA));
    lp.form().SaveTextFile1Click(kNoSender);
    EXPECT_TRUE(lp.editor().modified());
    EXPECT_EQ(lp.editor().text().substr(0, 5), "typed");
    EXPECT_EQ(ReadFileText(lp.textFile(kA)), TranslationSkeleton(1));
    EXPECT_NE(lp.p.ui.lastMessage().find("Could not save"), std::string::npos);
  }
}

TEST(FindSection, FollowsTheReaderRules) {
  const std::string text =
      "// Do not erase these: \n// .STRING #\n// .ENDS\n\n"
      ".STRING 0\nzero\n.ENDS\n"          // lines 4-6
      "x .string 10 y\nten\n .ENDS\t\n"   // lines 7-9
      ".STRING 2\ntwo\n.ends\n.ENDSX\n";  // lines 10-13, never closed
  struct Case {
    int n, headerLine, endLine;
    bool closed;
  };
  for (const Case& c :
       {Case{0, 4, 6, true}, Case{1, 7, 9, true}, Case{10, 7, 9, true}, Case{2, 10, 14, false}}) {
    const std::optional<SectionLines> s = FindSection(text, c.n);
    ASSERT_TRUE(s) << c.n;
    EXPECT_EQ(std::tuple(s->headerLine, s->endLine, s->closed), std::tuple(c.headerLine, c.endLine, c.closed))
        << c.n;
  }
  EXPECT_FALSE(FindSection(text, 3));
  // The search starts at `from`: past section 10's header, string 1 finds nothing further.
  const int at10 = FindSection(text, 10)->match;
  EXPECT_EQ(at10, static_cast<int>(text.find(".string 10")));
  EXPECT_FALSE(FindSection(text, 1, at10 + 1));
  EXPECT_FALSE(FindSection(text, 0, 1 << 30));
}

}  // namespace
}  // namespace ts2
