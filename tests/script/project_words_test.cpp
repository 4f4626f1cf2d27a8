// The project dictionary: reading a team's word list, adding words to it while others change it,
// and writing it whole (sorted, each word once) or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/fileutil.h"
#include "script/project_words.h"
#include "support/builders.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;
using test::ReadFileText;
using test::TempDir;

TEST(ProjectWords, ListsAreReadSortedOnceEachAndLoseNothing) {
  const struct {
    std::string bytes;
    Words words;
  } cases[] = {
      {"", {}},
      {"Tormel\nSaragon\n", {"Saragon", "Tormel"}},
      // Any line end, a byte-order mark, blanks around words, empty lines and repeats.
      {"\xEF\xBB\xBFKor\r\n  Mira \r\rKor\n\tAlpha", {"Alpha", "Kor", "Mira"}},
      // Lists joined: byte-order marks where each began, blanks or control characters around them.
      {"Kor\n\xEF\xBB\xBFMira\n\x07\xEF\xBB\xBF \xEF\xBB\xBF"
       "Alpha\n\xEF\xBB\xBF\n",
       {"Alpha", "Kor", "Mira"}},
      // UTF-8 words; a line that is not UTF-8 is kept as it is.
      {"\xC3\x89p\xC3\xA9\x65\nK\xF6r\n", {"K\xF6r", "\xC3\x89p\xC3\xA9\x65"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWordList(c.bytes), c.words) << c.bytes;
    EXPECT_EQ(ParseWordList(FormatWordList(c.words)), c.words);
  }
  EXPECT_EQ(FormatWordList({"b", "a", "b"}), "a\nb\n");
}

TEST(ProjectWords, AddingKeepsWhatOthersAddedMeanwhile) {
  TempDir dir;
  const std::string path = ProjectWordsPath(dir.path().string());
  EXPECT_EQ(path, dir.file("words.txt"));
  ProjectDictionary mine(path), theirs(path);
  EXPECT_FALSE(mine.refresh());  // no file yet: no words
  ASSERT_TRUE(mine.add(" Tormel "));
  EXPECT_EQ(ReadFileText(path), "Tormel\n");

  // Another editor of the team adds a word; a pull brings one more.
  ASSERT_TRUE(theirs.add("Kor"));
  EXPECT_EQ(theirs.words(), (Words{"Kor", "Tormel"}));
  std::ofstream(path, std::ios::app) << "Mira\r\n";
  fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));

  ASSERT_TRUE(mine.add("Saragon"));
  EXPECT_EQ(ReadFileText(path), "Kor\nMira\nSaragon\nTormel\n");
  EXPECT_TRUE(theirs.refresh());
  EXPECT_EQ(theirs.words(), mine.words());
  EXPECT_FALSE(theirs.refresh());  // unchanged since

  // A word already there writes nothing.
  const auto stamp = fs::last_write_time(path);
  ASSERT_TRUE(mine.add("Kor"));
  EXPECT_EQ(fs::last_write_time(path), stamp);

  std::string error;
  for (std::string_view bad : {"", "  ", "two\nlines"}) {
    EXPECT_FALSE(mine.add(bad, &error)) << bad;
    EXPECT_NE(error, "");
  }
  EXPECT_EQ(mine.words(), (Words{"Kor", "Mira", "Saragon", "Tormel"}));
}

TEST(ProjectWords, ALinkIntoTheTeamsRepositoryStaysALink) {
  TempDir dir;
  fs::create_directories(dir.path() / "repo");
  fs::create_directories(dir.path() / "Dumps");
  const std::string shared = dir.write("repo/words.txt", "Tormel\n");
  fs::create_symlink("../repo/words.txt", dir.path() / "Dumps" / "words.txt");
  ProjectDictionary words(ProjectWordsPath(dir.file("Dumps")));
  ASSERT_TRUE(words.refresh());
  ASSERT_TRUE(words.add("Kor"));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "Dumps" / "words.txt"));
  EXPECT_EQ(ReadFileText(shared), "Kor\nTormel\n");
}

// A list that is there but cannot be read is never written over: the team's words would be lost.
TEST(ProjectWords, AListThatCannotBeReadIsNotWrittenOver) {
  const struct {
    const char* what;
    void (*make)(const std::string& path);  // words.txt, made unreadable
  } cases[] = {
      {"no permission to read",
       [](const std::string& path) {
         std::ofstream(path) << "Kor\nTormel\n";
         fs::permissions(path, fs::perms::owner_write);
       }},
      {"a folder", [](const std::string& path) { fs::create_directory(path); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = ProjectWordsPath(dir.path().string());
    c.make(path);
    if (ReadErrorOf(path).empty()) {  // the superuser reads it anyway
      fs::permissions(path, fs::perms::owner_all);
      continue;
    }
    ProjectDictionary words(path);
    EXPECT_FALSE(words.refresh());
    std::string error;
    EXPECT_FALSE(words.add("tuot", &error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
    EXPECT_EQ(words.words(), Words{});
    fs::permissions(path, fs::perms::owner_all);
    if (fs::is_regular_file(path)) {
      EXPECT_EQ(ReadFileText(path), "Kor\nTormel\n");
      // Readable again: the word joins the team's.
      ASSERT_TRUE(words.add("tuot"));
      EXPECT_EQ(ReadFileText(path), "Kor\nTormel\ntuot\n");
    }
  }
}

TEST(ProjectWords, AFailedWriteLeavesTheListAsItWas) {
  TempDir dir;
  dir.write("Dumps", "a file where the folder should be");
  ProjectDictionary words(ProjectWordsPath(dir.file("Dumps")));
  std::string error;
  EXPECT_FALSE(words.add("Tormel", &error));
  EXPECT_NE(error.find("words.txt"), std::string::npos) << error;
  EXPECT_EQ(words.words(), Words{});
  EXPECT_EQ(ReadFileText(dir.file("Dumps")), "a file where the folder should be");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace ts2
