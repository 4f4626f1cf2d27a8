// Translation files: names and new-file bytes, switching the Text Editor between blocks, saving.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>

#include "core/fileutil.h"
#include "script/textfile.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::LoadedProgram;
using test::ReadFileText;

using Lines = std::vector<std::string>;

constexpr uint32_t kA = 0x1A8000, kB = 0x1A9000;
const std::string kSavedA = "\"001A8000.txt\" was saved successfully!";

// Makes later writes of `path` fail even for a privileged user: the temporary file they go
// through cannot be created where a folder of that name stands.
void BlockWritesTo(const std::string& path) {
  fs::create_directory(path + ".tmp~");
}

TEST(TranslationFile, NameAndNewFileBytes) {
  EXPECT_EQ(TranslationFileName("d", 0xabcdef12), "d/ABCDEF12.txt");
  EXPECT_EQ(TranslationSkeleton(2),
            "// Do not erase these: \r\n// .STRING #\r\n// .ENDS\r\n\r\n\r\n"
            ".STRING 0\r\n\r\n\r\n.ENDS\r\n\r\n\r\n\r\n"
            ".STRING 1\r\n\r\n\r\n.ENDS\r\n\r\n\r\n\r\n");
  // 53 header bytes, then 27 bytes per section plus the digits of its number.
  for (const auto& [count, bytes] :
       {std::pair<uint32_t, size_t>{0, 53}, {10, 333}, {101, 53 + 280 + 2610 + 30}})
    EXPECT_EQ(TranslationSkeleton(count).size(), bytes) << count;
}

// Modified text is asked about on every switch, wherever its file went: Yes puts it in its file
// (made again if it has gone) or, when that cannot be written, in a recovery copy; No drops it.
TEST(TextFileSwitch, ModifiedTextIsAskedAboutWhereverItsFileWent) {
  enum Where { NoFileYet, FileDeleted, FileRenamed, DumpsUnusable };
  for (Where where : {NoFileYet, FileDeleted, FileRenamed, DumpsUnusable}) {
    for (bool yes : {true, false}) {
      SCOPED_TRACE(testing::Message() << "case " << where << (yes ? " Yes" : " No"));
      LoadedProgram lp({{kA, 1}, {kB, 2}});
      test::TempDir temp;
      test::ScopedTmpDir tmpdir(temp.file(""));
      std::string home = lp.textFile(kA), copy;
      if (where == NoFileYet) {
        home = lp.form().gDumpDir + "/untitled.txt", copy = home + ".unsaved";
      } else if (where == DumpsUnusable) {
        fs::remove_all(lp.dir.path() / "Dumps");
        std::ofstream(lp.dir.file("Dumps")) << "a file where the folder belongs";
        copy = temp.file("001A8000.txt.unsaved");
      }
      if (where != NoFileYet) lp.select(0);
      lp.editor().setSelection(0, 0);
      lp.editor().type("work\n");
      const std::string edited = lp.editor().text();
      if (where == FileDeleted) fs::remove(home);
      if (where == FileRenamed) fs::rename(home, home + ".old");
      lp.p.ui.script.said.clear();
      lp.p.ui.script.questionAnswers.push_back(yes);
      lp.select(1);

      ASSERT_FALSE(lp.p.ui.script.said.empty());
      EXPECT_EQ(lp.p.ui.script.said.front().text, "Current data not saved. Do you wish to save it?");
      const std::string kept = copy.empty() ? home : copy;
      if (yes) {
        EXPECT_EQ(ReadFileText(kept), EditorTextToFileBytes(edited));
      } else {
        EXPECT_FALSE(fs::exists(kept));
      }
      if (yes && !copy.empty()) {
        const Lines said = lp.p.ui.messages();
        EXPECT_NE(std::find(said.begin(), said.end(),
                            "The text could not be saved, so it was kept in \"" + copy + "\"." +
                                (where == DumpsUnusable ? test::kTemporaryFolder : "")),
                  said.end());
      }
      EXPECT_FALSE(lp.editor().modified());  // the switch went on to the next block
      EXPECT_EQ(lp.form().gTextPath, lp.textFile(kB));
    }
  }
}

TEST(TextFileSwitch, UnsavedTextPromptNoReloadsAndYesSavesToThePreviousFile) {
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    LoadedProgram lp({{kA, 1}, {kB, 2}});
    lp.select(0);
    lp.editor().setSelection(0, 0);  // showing string 0 left the caret on its section header
    lp.editor().type("// mine\n");
    lp.p.ui.script.questionAnswers.push_back(yes);
    lp.select(yes ? 1 : 0);  // reselecting the same block reloads it from disk
    const std::string ask = "Current data not saved. Do you wish to save it?";
    EXPECT_EQ(lp.p.ui.messages(), (yes ? Lines{ask, kSavedA} : Lines{ask}));
    EXPECT_EQ(lp.p.ui.script.said.at(0).caption, "File Modified...");
    EXPECT_EQ(ReadFileText(lp.textFile(kA)), (yes ? "// mine\r\n" : "") + TranslationSkeleton(1));
    EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(TranslationSkeleton(yes ? 2 : 1)));
    EXPECT_FALSE(lp.editor().modified());
  }
}

TEST(TextFileSwitch, FileThatCannotBeCreatedLeavesAnEmptyEditor) {
  LoadedProgram lp({{kA, 1}, {kB, 1}});
  lp.select(0);
  fs::remove_all(lp.dir.path() / "Dumps");
  lp.select(1);
  EXPECT_EQ(lp.editor().text(), "");  // the previous block's text must not be saved under this name
  EXPECT_EQ(lp.form().gTextPath, lp.form().gDumpDir + "/001A9000.txt");
  ASSERT_EQ(lp.p.ui.messages().size(), 1u);
  EXPECT_NE(lp.p.ui.lastMessage().find("Could not create"), std::string::npos);

  // A file another program makes there later is not written over unasked: with nothing typed it
  // is shown, and a save of typed text asks first.
  const std::string theirs = ".STRING 0\r\ntheirs\r\n.ENDS\r\n";
  for (bool typed : {true, false}) {
    SCOPED_TRACE(typed ? "typed" : "nothing typed");
    fs::create_directories(lp.dir.path() / "Dumps");
    lp.dir.write("Dumps/001A9000.txt", theirs);
    if (typed) {
      lp.editor().type("mine");
      lp.p.ui.script.choiceAnswers.push_back(2);  // Cancel
      lp.form().SaveTextFile1Click(kNoSender);
      EXPECT_EQ(lp.p.ui.script.said.back().kind, headless::Script::Said::Choice);
      EXPECT_EQ(lp.editor().text(), "mine");
    } else {
      lp.form().CheckFilesOnDisk();
      EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(theirs));
    }
    EXPECT_EQ(ReadFileText(lp.form().gTextPath), theirs);
    // As before the file could not be made.
    fs::remove_all(lp.dir.path() / "Dumps");
    lp.editor().setModified(false);
    lp.select(0);
    lp.select(1);
  }
}

TEST(TextFileSwitch, TextThatCanBeKeptNowhereStaysCurrent) {
  LoadedProgram lp({{kA, 2}, {kB, 3}});
  test::TempDir temp;
  test::ScopedTmpDir tmpdir(temp.file("missing"));
  lp.select(0);
  ListBox& pList = lp.p.ui.list(ControlId::pList);
  pList.setItemIndex(1);
  lp.form().pListClick(kNoSender);
  lp.editor().type("precious");
  const std::string edited = lp.editor().text();
  fs::rename(lp.dir.path() / "Dumps", lp.dir.path() / "Dumps.moved");  // neither file nor copy
  lp.p.ui.script.questionAnswers = {true, true};
  lp.select(1);
  EXPECT_EQ(lp.editor().text(), edited);
  EXPECT_TRUE(lp.editor().modified());
  EXPECT_EQ(lp.form().gTextPath, lp.form().gDumpDir + "/001A8000.txt");
  EXPECT_EQ(
      lp.p.ui.lastMessage(),
      "The Text Editor still holds the unsaved text of \"001A8000.txt\", which stays the current text.");
  // The block whose text the editor holds stays the one listed and shown, at the same string.
  EXPECT_EQ(lp.form().gCurBlock, 0);
  EXPECT_EQ(lp.form().gCurBlockOffset, kA);
  EXPECT_EQ(lp.p.ui.list(ControlId::bList).itemIndex(), 0);
  EXPECT_EQ(pList.count(), 2);
  EXPECT_EQ(pList.itemIndex(), 1);
  EXPECT_EQ(lp.form().gCurString, 1);
  // Once writing works again, the next switch asks again and saves.
  fs::rename(lp.dir.path() / "Dumps.moved", lp.dir.path() / "Dumps");
  lp.select(1);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), EditorTextToFileBytes(edited));
  EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(TranslationSkeleton(3)));
  EXPECT_EQ(pList.count(), 3);
}

TEST(TextFileSave, AReadOnlyFileIsNotReplacedAndTheTextIsKept) {
  LoadedProgram lp({{kA, 1}});
  lp.select(0);
  lp.editor().type("typed");
  const std::string file = lp.textFile(kA), before = ReadFileText(file);
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  lp.form().SaveTextFile1Click(kNoSender);
  EXPECT_EQ(ReadFileText(file), before);
  EXPECT_TRUE(lp.editor().modified());
  EXPECT_EQ(lp.p.ui.lastMessage(), "Error: Could not save \"" + file + "\" (cannot replace " + file +
                                       ": the file is read-only). The file on disk was not changed; the "
                                       "Text Editor keeps the text.");
  // Closing with Yes keeps the text in a recovery copy beside the file.
  lp.p.ui.script.questionAnswers = {true};
  lp.form().FormClose();
  EXPECT_EQ(ReadFileText(file), before);
  EXPECT_EQ(ReadFileText(file + ".unsaved"), EditorTextToFileBytes(lp.editor().text()));
}

TEST(TextFileSwitch, UnreadableFileIsNotMadeCurrent) {
  // A file that exists but fails to read, for any user: the process's own memory file, whose
  // first page is never mapped (file permissions would not bind a privileged user).
  LoadedProgram lp({{kA, 1}});
  fs::create_directories(lp.dir.file("Dumps"));
  const std::string path = lp.textFile(kA);
  fs::create_symlink("/proc/self/mem", path);
  lp.select(0);
  EXPECT_EQ(lp.editor().text(), "");
  EXPECT_EQ(lp.p.ui.lastMessage(),
            "Error: Could not read \"" + path + "\". The Text Editor has been cleared.");
  lp.editor().type("typed later");
  lp.form().SaveTextFile1Click(kNoSender);  // nothing typed now can replace the file
  EXPECT_TRUE(fs::is_symlink(path));
}

TEST(TextFileSave, EveryByteButCrAndLfRoundTrips) {
  std::string body;
  for (int c = 0; c < 256; ++c) {
    if (c == '\r' || c == '\n') continue;
    body.push_back(static_cast<char>(c));
    if (c % 40 == 39) body += "\r\n";
  }
  // With or without a final line end; a lone LF or a lone CR is read as a line end and written
  // back as CR LF.
  for (const auto& [file, saved] : {std::pair{body + "\r\n", body + "\r\n"},
                                    {body, body},
                                    {"\r\n\r\n" + body + "\r\n\r\n", "\r\n\r\n" + body + "\r\n\r\n"},
                                    {std::string("a\nb\r\nc\n"), std::string("a\r\nb\r\nc\r\n")},
                                    {std::string("a\rb\r\r\nc\r"), std::string("a\r\nb\r\n\r\nc\r\n")}}) {
    LoadedProgram lp({{kA, 1}});
    lp.dir.write("Dumps/001A8000.txt", file);
    lp.select(0);
    lp.editor().setModified(true);
    lp.form().RunMenuCommand(MenuId::SaveTextFile1);
    EXPECT_EQ(ReadFileText(lp.textFile(kA)), saved);
    EXPECT_EQ(lp.p.ui.messages(), Lines{kSavedA});
    EXPECT_FALSE(lp.editor().modified());
  }
}

TEST(TextFileSave, FailuresAreReportedAndKeepTheText) {
  for (bool selected : {false, true}) {
    SCOPED_TRACE(selected ? "file cannot be written" : "no current file");
    LoadedProgram lp({{kA, 1}});
    if (selected) lp.select(0);
    lp.editor().setSelection(0, 0);
    lp.editor().type("typed");
    BlockWritesTo(lp.textFile(kA));
    lp.form().SaveTextFile1Click(kNoSender);
    EXPECT_TRUE(lp.editor().modified());
    EXPECT_EQ(lp.editor().text().substr(0, 5), "typed");
    EXPECT_NE(lp.p.ui.lastMessage().find(selected ? "Could not save" : "not saved"), std::string::npos);
    EXPECT_EQ(ReadFileText(lp.textFile(kA)), selected ? TranslationSkeleton(1) : "");
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
  // Section 1 is not in the text, but its header matches inside ".string 10".
  for (const Case& c :
       {Case{0, 4, 6, true}, Case{1, 7, 9, true}, Case{10, 7, 9, true}, Case{2, 10, 14, false}}) {
    const std::optional<SectionLines> s = FindSection(text, c.n);
    ASSERT_TRUE(s) << c.n;
    EXPECT_EQ(std::tuple(s->headerLine, s->endLine, s->closed), std::tuple(c.headerLine, c.endLine, c.closed))
        << c.n;
  }
  EXPECT_FALSE(FindSection(text, 3));
  EXPECT_FALSE(FindSection(text, 1, FindSection(text, 10)->match + 1));  // the search starts at `from`
}

}  // namespace
}  // namespace ts2
