// ts2tool proof on the demo set: which strings a sheet holds, what it says of each, and that it
// writes nothing but its page.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "display/batch.h"
#include "headless/headless.h"
#include "tool.h"
#include "views/proof.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// The ids of the strings a page shows, in order.
std::vector<std::string> Ids(const std::string& html) {
  std::vector<std::string> ids;
  const std::regex article("<article class=\"string [a-z]+\" id=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), article); it != std::sregex_iterator(); ++it)
    ids.push_back((*it)[1]);
  return ids;
}

using ProofCommand = DemoSet;

TEST_F(ProofCommand, ShowsEveryStringWithItsStateTextsAndTheFindingsCheckReports) {
  const std::vector<fs::path> before = Listing(dir.path());
  const ToolRun run = RunTool(dir, "proof demo.sfc demo.txt -o sheet.html");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "sheet.html: 13 of 13 strings in 3 blocks\n");
  const std::string html = ReadFileText(dir.file("sheet.html"));
  std::vector<fs::path> after = Listing(dir.path());
  std::erase(after, dir.path() / "sheet.html");
  EXPECT_EQ(after, before) << "a file other than the page was written";

  // The states are those progress counts.
  EXPECT_EQ(Ids(html).size(), 13u);
  EXPECT_EQ(Count(html, "class=\"string translated\""), 5u);
  EXPECT_EQ(Count(html, "class=\"string findings\""), 1u);
  EXPECT_EQ(Count(html, "class=\"string untranslated\""), 7u);
  EXPECT_EQ(Count(html, "<img src=\"data:image/png;base64,iVBORw0KGgo"), 13u);  // a PNG each
  // Texts in UTF-8: the original through the character table, the translation from Windows-1252.
  EXPECT_HAS(html, "<pre>\nTake the SWORD and go.</pre>");
  EXPECT_HAS(html,
             "<pre>\nPrends l'\xC3\x89p\xC3\xA9"
             "e et pars.</pre>");
  EXPECT_HAS(html, "<pre>\nGold: 100 \xE3\x81\x82\xE3\x81\x84\xE3\x81\x86</pre>");
  // The finding as check words it, at the same place.
  const ToolRun check = RunTool(dir, "check demo.sfc demo.txt");
  std::smatch found;
  const std::regex line(": (string 3, line 2 \\(file line \\d+\\)): (column \\d+): (.*)");
  std::regex_search(check.out, found, line);
  ASSERT_FALSE(found.empty()) << check.out;
  EXPECT_HAS(html, "<li>" + found[1].str() + ", " + found[2].str() + ": " + found[3].str() + "</li>");
  // A block without a file says so, and gets none.
  EXPECT_HAS(html, "00060000.txt, 0 of 4 translated, 0 with findings (no file yet)");
  EXPECT_EQ(Count(html, "No translation file yet."), 7u);
}

// Every finding reads as check prints it, whatever its kind's encoding: the glossary's quote the
// glossary (UTF-8), the others the translation (Windows-1252).
TEST_F(ProofCommand, FindingsReadAsCheckPrintsThem) {
  dir.write("Dumps/glossary.csv",
            "source,target\nSWORD,\xC3\xA9p\xC3\xA9"
            "e\nDRAGON,dragonne\n\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86,\xC3\x87"
            "a va\n");
  const ToolRun check = RunTool(dir, "check demo.sfc demo.txt");
  const ToolRun run = RunTool(dir, "proof demo.sfc demo.txt -o -");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::regex line(": (string \\d+, line \\d+ \\(file line \\d+\\)): (column \\d+: .*)");
  size_t findings = 0;
  for (auto it = std::sregex_iterator(check.out.begin(), check.out.end(), line); it != std::sregex_iterator();
       ++it, ++findings)
    EXPECT_HAS(run.out, "<li>" + HtmlEscaped((*it)[1].str() + ", " + (*it)[2].str()) + "</li>") << (*it)[0];
  EXPECT_EQ(findings, 3u) << check.out;
  EXPECT_HAS(check.out,
             "\xC3\x87"
             "a va");
}

TEST_F(ProofCommand, OnlyAndBlockChooseTheStrings) {
  const struct {
    const char* options;
    std::vector<std::string> ids;
  } cases[] = {
      {"--only findings", {"CA0000-3"}},
      {"--only translated", {"CA0000-0", "CA0000-1", "CA0000-2", "CA0000-3", "CA0000-4", "CA0000-5"}},
      {"--only untranslated --block C60000", {"C60000-0", "C60000-1", "C60000-2", "C60000-3"}},
      {"--block 2", {"CA8000-0", "CA8000-1", "CA8000-2"}},
      {"--block 0x60000 --only findings", {}},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(dir, std::string("proof demo.sfc demo.txt -o - ") + c.options);
    ASSERT_EQ(run.status, 0) << c.options << "\n" << run.err;
    EXPECT_EQ(Ids(run.out), c.ids) << c.options;
  }
}

TEST_F(ProofCommand, TranslationTextIsEscapedAndUsageIsChecked) {
  // An empty first line (an extra line break the lint names) is kept as one.
  dir.write("Dumps/000A0000.txt", ".STRING 0\r\n\r\n<b>&\"x\"</b>\r\n.ENDS\r\n");
  const ToolRun run = RunTool(dir, "proof demo.sfc demo.txt --block 0 -o -");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_HAS(run.out, "<pre>\n\n&lt;b&gt;&amp;&quot;x&quot;&lt;/b&gt;</pre>");
  EXPECT_LACKS(run.out, "<b>&");
  // The page is UTF-8: names in Latin-1 bytes are written as Windows-1252 reads them.
  fs::copy_file(dir.path() / "demo.sfc", dir.path() / "caf\xe9.sfc");
  fs::create_directory(dir.path() / "revu\xe9");
  const ToolRun latin1 = RunTool(dir, "proof caf\xe9.sfc demo.txt --block 0 --since revu\xe9 -o -");
  ASSERT_EQ(latin1.status, 0) << latin1.err;
  EXPECT_HAS(latin1.out, "<h1>Proof sheet: caf\xc3\xa9.sfc</h1>");
  EXPECT_HAS(latin1.out, "changed since revu\xc3\xa9");

  const struct {
    const char* args;
    int status;
    const char* says;
  } cases[] = {
      {"proof demo.sfc demo.txt", 2, "missing -o"},
      {"proof demo.sfc demo.txt --only some -o x.html", 2, "--only takes all, untranslated"},
      {"proof demo.sfc -o x.html", 2, "expected ROM and DATAFILE"},
      {"proof gone.sfc demo.txt -o x.html", 1, "gone.sfc"},
      {"proof demo.sfc demo.txt --block 9 -o x.html", 1, "block"},
      {"proof demo.sfc demo.txt -o no/such/folder/x.html", 1, "x.html"},
  };
  for (const auto& c : cases) {
    const ToolRun bad = RunTool(dir, c.args);
    EXPECT_EQ(bad.status, c.status) << c.args;
    EXPECT_HAS(bad.err, c.says) << c.args;
    EXPECT_FALSE(fs::exists(dir.path() / "x.html")) << c.args;
  }
}

// A sheet made a string at a time, as the editor makes it between events, is the sheet made at
// once, whichever strings it shows.
TEST_F(ProofCommand, ASheetMadeInStepsIsTheSheetMadeAtOnce) {
  dir.write("Dumps/000A8000.txt",
            ".STRING 1\r\nUn \xE9t\xE9 trop long pour cette bo\xEEte, vraiment beaucoup trop\r\n.ENDS\r\n");
  // A picture stands for its pixels, so that pictures drawn from a stale box would differ.
  const PngOfBitmap png = [](const Bitmap& b) {
    uint64_t hash = 1469598103934665603ull;
    for (uint16_t p : b.pixels) hash = (hash ^ p) * 1099511628211ull;
    return std::to_string(b.width) + "x" + std::to_string(b.height) + ":" + std::to_string(hash);
  };
  const TextToUtf8 toUtf8 = [](std::string_view text) { return std::string(text); };
  for (const ProofFilter filter : {ProofFilter::kAll, ProofFilter::kUntranslated, ProofFilter::kTranslated,
                                   ProofFilter::kWithFindings}) {
    std::string pages[2];
    for (int stepped = 0; stepped < 2; ++stepped) {
      headless::HeadlessProgram program;
      BatchSession session(program.form());
      ASSERT_TRUE(session.Open(dir.file("demo.sfc"), dir.file("demo.txt")));
      ProofRequest request;
      request.made = "then";
      request.dumpsDir = dir.file("Dumps");
      request.filter = filter;
      for (int b : {2, 0, 1, 7}) request.blocks.push_back({b, std::nullopt});
      if (!stepped) {
        pages[0] = ProofSheet(program.form(), session, request, png, toUtf8);
        continue;
      }
      ProofSheetWriter writer(program.form(), session, request, png, toUtf8);
      int steps = 0;
      while (!writer.Step(1)) ++steps;
      EXPECT_GE(steps, static_cast<int>(writer.count().shown) - 1);
      EXPECT_EQ(writer.drawn(), writer.count().shown);
      pages[1] = writer.TakePage();
    }
    EXPECT_EQ(pages[1], pages[0]) << static_cast<int>(filter);
    EXPECT_HAS(pages[0], "<section id=\"block-CA8000\">");
  }
}

// --since: only what changed since an earlier folder, each string with what it was then.
TEST_F(ProofCommand, SinceShowsTheStringsWhoseTranslationChangedWithTheirEarlierText) {
  fs::copy(dir.path() / "Dumps", dir.path() / "reviewed", fs::copy_options::recursive);
  std::string now = ReadFileText(dir.file("Dumps/000A0000.txt"));
  const size_t at = now.find("Trouve Kor");
  ASSERT_NE(at, std::string::npos);
  now.replace(at, 10, "Cherche Kor");   // string 4 changed
  now += ".STRING 9\r\n\r\n.ENDS\r\n";  // an empty section changes no translation
  dir.write("Dumps/000A0000.txt", now);
  dir.write("Dumps/000A8000.txt", ".STRING 2\r\nMerci !\r\n.ENDS\r\n");  // a new file: translated since
  dir.write("reviewed/00060000.txt", ".STRING 1\r\nGone\r\n.ENDS\r\n");  // a file gone since

  const ToolRun run = RunTool(dir, "proof demo.sfc demo.txt --since reviewed -o -");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Ids(run.out), (std::vector<std::string>{"CA0000-4", "C60000-1", "CA8000-2"}));
  EXPECT_HAS(
      run.out,
      "<pre>\nCherche Kor, \xC3\xA0 l'est.</pre>\n<h4>Before</h4>\n<pre class=\"before\">\nTrouve Kor");
  EXPECT_HAS(run.out, "<pre class=\"before\">\nGone</pre>");
  EXPECT_HAS(run.out, "Merci !</pre>\n<h4>Before</h4>\n<p class=\"none\">Not translated then.</p>");
  EXPECT_HAS(run.out, "Shown here: 3 whose translation changed since reviewed.");

  EXPECT_EQ(Ids(RunTool(dir, "proof demo.sfc demo.txt --since reviewed --only untranslated -o -").out),
            std::vector<std::string>{"C60000-1"});
  EXPECT_EQ(Ids(RunTool(dir, "proof demo.sfc demo.txt --since Dumps -o -").out), std::vector<std::string>{});
  const ToolRun missing = RunTool(dir, "proof demo.sfc demo.txt --since nowhere -o -");
  EXPECT_EQ(missing.status, 1);
  EXPECT_HAS(missing.err, "--since: no folder nowhere");
}

// SOURCE_DATE_EPOCH fixes the date the sheet gives, in UTC: a CI job makes the same page from
// the same files whatever the machine's time zone; a value that is no time is not taken.
TEST_F(ProofCommand, ASourceDateMakesTheSamePageInEveryTimeZone) {
  const auto sheet = [&](const std::string& env) {
    const ToolRun r = RunShell(dir, env + " TOOL proof demo.sfc demo.txt -o -");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  const std::string paris = sheet("TZ=Europe/Paris SOURCE_DATE_EPOCH=1796580000");
  EXPECT_HAS(paris, "made 2026-12-06 18:00 UTC");
  EXPECT_EQ(sheet("TZ=Asia/Tokyo SOURCE_DATE_EPOCH=1796580000"), paris);
  EXPECT_LACKS(sheet("SOURCE_DATE_EPOCH=soon"), " UTC<");
}

TEST(ProofText, Base64AndHtmlEscapes) {
  const std::pair<std::string, std::string> base64[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xFF\xFE\x80", "//6A"},
      {std::string("\x00\xF0", 2), "APA="},
  };
  for (const auto& [bytes, text] : base64) EXPECT_EQ(Base64(bytes), text) << text;
  EXPECT_EQ(HtmlEscaped("a<b>&\"c\" 'd' \xC3\xA9"), "a&lt;b&gt;&amp;&quot;c&quot; 'd' \xC3\xA9");
}

TEST(ProofText, FiltersKeepTheirStates) {
  using S = StringState;
  const struct {
    const char* word;
    std::vector<S> kept;
  } cases[] = {
      {"all", {S::kUntranslated, S::kTranslated, S::kWithFindings}},
      {"untranslated", {S::kUntranslated}},
      {"translated", {S::kTranslated, S::kWithFindings}},
      {"findings", {S::kWithFindings}},
  };
  for (const auto& c : cases) {
    const std::optional<ProofFilter> filter = ParseProofFilter(c.word);
    ASSERT_TRUE(filter) << c.word;
    std::vector<S> kept;
    for (S s : {S::kUntranslated, S::kTranslated, S::kWithFindings})
      if (ProofShows(*filter, s)) kept.push_back(s);
    EXPECT_EQ(kept, c.kept) << c.word;
  }
  EXPECT_FALSE(ParseProofFilter("Findings"));
  EXPECT_FALSE(ParseProofFilter(""));
}

}  // namespace
}  // namespace ts2::test
