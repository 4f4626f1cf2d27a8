// PO files: what the writer writes reads back as it was, files as the gettext utilities and the
// translation tools write them are read, and what they would refuse is refused with its line.
#include <gtest/gtest.h>

#include <random>

#include "script/po.h"

namespace ts2::po {
namespace {

std::vector<Entry> ParseOk(std::string_view text) {
  std::string error;
  std::optional<std::vector<Entry>> entries = Parse(text, error);
  EXPECT_TRUE(entries.has_value()) << error;
  return entries.value_or(std::vector<Entry>{});
}

Entry Text(std::optional<std::string> context, std::string id, std::string str) {
  Entry e;
  e.context = std::move(context);
  e.id = std::move(id);
  e.str = std::move(str);
  return e;
}

TEST(PoFile, WhatIsWrittenReadsBackAsItWas) {
  const std::string texts[] = {
      "",
      "plain",
      "two\nlines",
      "ends with a break\n",
      "\nstarts with one",
      "\n\n",
      "quote \" backslash \\ tab \t return \r",
      "controls \x01\x1F\x7F bell \a",
      "\xC3\xA0 \xE2\x82\xAC \xE3\x81\x82 \xF0\x9F\x98\x80",  // à € あ and one past U+FFFF
      "#. not a comment\nmsgstr \"not a keyword\"",
  };
  std::string file;
  for (size_t i = 0; i < std::size(texts); ++i) {
    Entry e;
    e.comments = {"a translator's note", ""};
    e.extracted = {"Block C60000, string " + std::to_string(i)};
    e.references = {"00060000.txt:" + std::to_string(i + 1)};
    if (i % 2) e.flags = {"fuzzy", "no-wrap"};
    if (i % 3) e.context = texts[i];
    e.id = texts[i];
    e.str = texts[(i + 1) % std::size(texts)];
    file += Write(e) + "\n";
  }
  const std::vector<Entry> read = ParseOk(file);
  ASSERT_EQ(read.size(), std::size(texts));
  for (size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(read[i].id, texts[i]);
    EXPECT_EQ(read[i].str, texts[(i + 1) % std::size(texts)]);
    EXPECT_EQ(read[i].context, i % 3 ? std::optional<std::string>(texts[i]) : std::nullopt);
    EXPECT_EQ(read[i].fuzzy(), i % 2 == 1);
    EXPECT_EQ(read[i].comments, (std::vector<std::string>{"a translator's note", ""}));
    EXPECT_EQ(read[i].references.size(), 1u);
  }
  // Only a line break before the end splits a text into strings of their own.
  EXPECT_EQ(Write(Text(std::nullopt, "a\n", "b")), "msgid \"a\\n\"\nmsgstr \"b\"\n");
  EXPECT_EQ(Write(Text(std::nullopt, "a\nb", "")), "msgid \"\"\n\"a\\n\"\n\"b\"\nmsgstr \"\"\n");
}

TEST(PoFile, RandomTextsReadBackAsTheyWere) {
  std::mt19937 random(7);
  const std::string pieces[] = {"a",    "\n",       "\"",           "\\", "\t", "\r",
                                "\x01", "\xC3\xA9", "\xE3\x81\x82", " ",  "#"};
  for (int round = 0; round < 300; ++round) {
    std::string id, str;
    for (int k = std::uniform_int_distribution<int>(0, 12)(random); k > 0; --k)
      id += pieces[random() % std::size(pieces)];
    for (int k = std::uniform_int_distribution<int>(0, 12)(random); k > 0; --k)
      str += pieces[random() % std::size(pieces)];
    const std::vector<Entry> read = ParseOk(Write(Text("c", id, str)));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].id, id);
    EXPECT_EQ(read[0].str, str);
  }
}

TEST(PoFile, ReadsFilesAsTranslationToolsWriteThem) {
  const std::vector<Entry> read = ParseOk(
      "\xEF\xBB\xBF# header comment\r\n"
      "msgid \"\"\r\n"
      "msgstr \"\"\r\n"
      "\"Content-Type: text/plain; charset=utf-8\\n\"\r\n"
      "\r\n"
      "#. extracted\n"
      "#: a.txt:1 b.txt:2\n"
      "#, fuzzy, c-format\n"
      "#| msgid \"an earlier text\"\n"
      "msgctxt \"ctx\"\n"
      "msgid \"\"\n"
      "  \"line one\\n\"\n"
      "\"line two \\x41\\101\\'\\?\"\n"
      "msgstr \"\" \"joined\" \"\"\n"
      "   \"!\"\n"
      "# the next entry's comment, right after a msgstr\n"
      "msgid \"second\"\n"
      "msgstr \"\"\n"
      "\n"
      "#, fuzzy\n"  // the obsolete entry's flag, not the next one's
      "#~ msgid \"obsolete\"\n"
      "#~ msgstr \"gone\"\n"
      "msgid \"third\"\n"
      "msgstr \"live\"\n");
  ASSERT_EQ(read.size(), 4u);
  EXPECT_FALSE(read[3].fuzzy());
  EXPECT_EQ(read[3].str, "live");
  EXPECT_TRUE(read[0].header());
  EXPECT_EQ(read[0].comments, std::vector<std::string>{"header comment"});
  EXPECT_EQ(read[1].context, "ctx");
  EXPECT_EQ(read[1].id, "line one\nline two AA'?");
  EXPECT_EQ(read[1].str, "joined!");
  EXPECT_EQ(read[1].flags, (std::vector<std::string>{"fuzzy", "c-format"}));
  EXPECT_EQ(read[1].references, std::vector<std::string>{"a.txt:1 b.txt:2"});
  EXPECT_EQ(read[1].line, 11);
  EXPECT_EQ(read[2].comments, std::vector<std::string>{"the next entry's comment, right after a msgstr"});
  EXPECT_EQ(read[2].id, "second");
  EXPECT_FALSE(read[2].fuzzy());
}

TEST(PoFile, RefusesWhatTheGettextUtilitiesWouldNotReadWithItsLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"msgid \"a\"\nmsgstr \"b", "2: the string is not closed"},
      {"msgid \"a\"\nmsgstr \"b\\\"", "2: the string is not closed"},
      {"msgid \"a\\q\"\nmsgstr \"\"", "1: unknown escape \\q"},
      {"msgid \"a\\x\"\nmsgstr \"\"", "1: \\x is not followed by a hex digit"},
      {"msgid \"a\\777\"\nmsgstr \"\"", "1: an octal escape past \\377"},
      {"msgid \"a\" x\nmsgstr \"\"", "1: text follows the closing quote"},
      {"msgid a\nmsgstr \"\"", "1: a quoted string was expected"},
      {"msgid \"a\"\nmsgstr \"\"\n\"more\"\n\n\"stray\"", "5: a string with no keyword before it"},
      {"msgstr \"b\"", "1: msgstr with no msgid before it"},
      {"msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"\"", "3: msgid twice"},
      {"msgid \"a\"\nmsgstr \"b\"\nmsgstr \"c\"", "3: msgstr twice"},
      {"msgid \"a\"\nmsgctxt \"c\"\nmsgstr \"\"", "2: msgctxt after msgid"},
      {"msgctxt \"c\"\nmsgctxt \"d\"\nmsgid \"a\"", "2: msgctxt twice"},
      {"msgctxt \"c\"\n", "1: msgctxt without msgid"},
      {"\n\nmsgid \"a\"\n", "3: msgid without msgstr"},
      {"msgid \"a\"\nmsgid_plural \"as\"\nmsgstr[0] \"\"", "2: plural forms have no place in a script"},
      {"msgid \"a\"\nmsgstr[0] \"\"", "2: plural forms have no place in a script"},
      {"msgid \"a\"\nmsgtxt \"\"", "2: unknown keyword 'msgtxt'"},
      {"msgid \"a\xE9\"\nmsgstr \"\"", "1: the text is not UTF-8"},
      {"msgid \"a\\351\"\nmsgstr \"\"", "1: an escape makes text that is not UTF-8"},
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"",
       "1: the header says charset=ISO-8859-1; only UTF-8 is read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(Parse(c.text, error).has_value());
    EXPECT_EQ(error, c.error);
  }
  // A template's placeholder charset is read as UTF-8.
  ParseOk("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=CHARSET\\n\"\n");
}

}  // namespace
}  // namespace ts2::po
