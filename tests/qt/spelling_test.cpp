// Spelling in the Text Editor on the demo set: underlines as the translator types and scrolls,
// the context menu's suggestions, "Add to Project Dictionary" and "Ignore", and the language
// picked in View > Spelling, remembered per data file.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <map>

#include "qt/qt_spelling.h"
#include "qt_fixture.h"
#include "spell/hunspell_speller.h"

namespace ts2::test {
namespace {

using Word = qt::QtSpelling::Word;

class EditorSpelling : public DemoFixture {
 protected:
  void SetUp() override {
    if (!spell::FindDictionary("fr_FR") || !spell::FindDictionary("en_US"))
      GTEST_SKIP() << "the fr_FR and en_US dictionaries are not installed";
    ASSERT_TRUE(open());
    editor = textEditor();
    spelling = std::make_unique<qt::QtSpelling>(ui, program.myForm);
    activate(FormId::TxtForm);
  }
  void TearDown() override { spelling.reset(); }

  // Where `text` first stands in the editor, as a word of that length.
  Word At(const QString& text) const {
    return {static_cast<int>(editor->toPlainText().indexOf(text)), static_cast<int>(text.size())};
  }
  // The middle of a word on the screen, in viewport coordinates.
  QPoint On(Word w) const {
    QTextCursor c(editor->document());
    c.setPosition(w.position + w.length / 2);
    return editor->cursorRect(c).center();
  }
  void PlaceCaret(int position) {
    QTextCursor c(editor->document());
    c.setPosition(position);
    editor->setTextCursor(c);
  }
  // The red pixels drawn in a band under a word, as the editor shows it.
  int RedUnder(Word w) const {
    const QImage shown = editor->grab().toImage();
    QTextCursor c(editor->document());
    c.setPosition(w.position);
    const QRect start = editor->cursorRect(c).translated(editor->viewport()->pos());
    c.setPosition(w.position + w.length);
    const int right = editor->cursorRect(c).translated(editor->viewport()->pos()).left();
    int red = 0;
    for (int y = start.bottom() - 4; y <= start.bottom() + 1; ++y)
      for (int x = start.left(); x <= right; ++x) {
        const QColor pixel = shown.pixelColor(x, y);
        red += pixel.red() > 150 && pixel.green() < 100 && pixel.blue() < 100;
      }
    return red;
  }
  QAction* Item(QMenu* menu, const char* name) const {
    for (QAction* a : menu->actions())
      if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
  }

  QPlainTextEdit* editor = nullptr;
  std::unique_ptr<qt::QtSpelling> spelling;
};

TEST_F(EditorSpelling, TheDemosMisspellingIsUnderlinedOnceALanguageIsPicked) {
  EXPECT_EQ(spelling->language(), "");  // off until one is picked
  EXPECT_TRUE(spelling->shownWords().empty());
  EXPECT_EQ(program.myForm.spelling, nullptr);
  ASSERT_TRUE(spelling->pick("fr_FR"));
  EXPECT_EQ(program.myForm.spellingLanguage, "fr_FR");  // the language a PO export names
  // The header, the marker lines, [PLAYER], "l'Épée", the names in words.txt: only "tuot".
  EXPECT_EQ(spelling->shownWords(), std::vector<Word>{At("tuot")});
  EXPECT_TRUE(editor->findChild<QWidget*>("SpellingUnderlines")->isVisible());
  EXPECT_GT(RedUnder(At("tuot")), 4);  // a wave under it
  EXPECT_EQ(RedUnder(At("savent")), 0);
  // English knows none of the French.
  ASSERT_TRUE(spelling->pick("en_US"));
  EXPECT_GT(spelling->shownWords().size(), 5u);
  ASSERT_TRUE(spelling->pick(""));
  EXPECT_TRUE(spelling->shownWords().empty());
  EXPECT_EQ(RedUnder(At("tuot")), 0);
  EXPECT_FALSE(editor->findChild<QWidget*>("SpellingUnderlines")->isVisible());
  EXPECT_EQ(program.myForm.spelling, nullptr);
  EXPECT_EQ(program.myForm.spellingLanguage, "");
}

TEST_F(EditorSpelling, ListDataMarksMisspelledStringsApartOnceALanguageIsPicked) {
  Settle();  // the list's lines are filled between events
  const QAbstractItemModel* strings = control<QAbstractItemView>(FormId::cmForm, "pList")->model();
  ASSERT_GT(strings->rowCount(), 3);
  EXPECT_EQ(strings->index(2, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Translated"));
  ASSERT_TRUE(spelling->pick("fr_FR"));
  EXPECT_EQ(strings->index(2, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("Translated\nSpelling: unknown word \"tuot\""));
  // The string that overflows keeps its finding first, and its colour.
  EXPECT_EQ(strings->index(3, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0xA0, 0x10, 0x10));
  EXPECT_EQ(strings->index(2, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0x10, 0x40, 0xA0));
  ASSERT_TRUE(spelling->pick(""));
  EXPECT_EQ(strings->index(2, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Translated"));
}

TEST_F(EditorSpelling, TheWordBeingTypedIsCheckedOnceTheCaretLeavesIt) {
  ASSERT_TRUE(spelling->pick("fr_FR"));
  clickLine("pList", 1);               // the string typed in
  const std::string fit = "L1: wide";  // with the word added
  const Word pars = At("pars");
  PlaceCaret(pars.position + pars.length);
  QTest::keyClicks(editor, " vitte");
  const Word vitte = At("vitte");
  EXPECT_EQ(spelling->shownWords(), std::vector<Word>{At("tuot")});
  // Nor does the fit panel count it yet, so its count does not change with every letter.
  EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), fit);
  QTest::keyClick(editor, Qt::Key_Space);
  EXPECT_EQ(spelling->shownWords(), (std::vector<Word>{vitte, At("tuot")}));
  EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), fit + " | 1 unknown word");
  QTest::keyClick(editor, Qt::Key_Backspace);
  // Left and come back to, it is still the word being typed; moved away from, it is checked.
  PlaceCaret(vitte.position + vitte.length);
  EXPECT_EQ(spelling->shownWords(), std::vector<Word>{At("tuot")});
  EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), fit);
  const QAbstractItemModel* strings = control<QAbstractItemView>(FormId::cmForm, "pList")->model();
  const auto listed = [&] {  // in List Data's tooltip for the string
    const QString tip = strings->index(1, 0).data(Qt::ToolTipRole).toString();
    return tip.contains(QStringLiteral("unknown word \"vitte\""));
  };
  QCoreApplication::processEvents();
  EXPECT_FALSE(listed());
  PlaceCaret(vitte.position);
  EXPECT_EQ(spelling->shownWords(), (std::vector<Word>{vitte, At("tuot")}));
  QCoreApplication::processEvents();  // the panel and List Data follow once the program is done
  EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), fit + " | 1 unknown word");
  EXPECT_TRUE(listed());
  // Typed in the comment header, nothing is checked.
  PlaceCaret(3);
  QTest::keyClicks(editor, "xqzw ");
  for (const Word& w : spelling->shownWords())
    EXPECT_NE(editor->document()->findBlock(w.position).blockNumber(), 0);
  EXPECT_EQ(spelling->shownWords().front(), At("vitte"));
}

// After each key, the window holds the underlines a fresh drawing of the editor shows: the edited
// line's band is repainted wherever the line lies, also once lines above it come and go.
TEST_F(EditorSpelling, UnderlinesAfterEachKeyShowWhatAFreshDrawingShows) {
  ASSERT_TRUE(spelling->pick("fr_FR"));
  clickLine("pList", 1);
  const int flash = QApplication::cursorFlashTime();
  QApplication::setCursorFlashTime(0);  // a caret that does not blink between the two pictures
  QWidget* window = editor->window();
  const Word pars = At("pars");
  PlaceCaret(pars.position + pars.length);
  // Moving the caret off the word being typed (or back to its end) changes its underline alone;
  // a new line moves the lines below it.
  const Qt::Key keys[] = {Qt::Key_Space,     Qt::Key_V,     Qt::Key_I,        Qt::Key_T,      Qt::Key_T,
                          Qt::Key_E,         Qt::Key_Left,  Qt::Key_Right,    Qt::Key_Left,   Qt::Key_Left,
                          Qt::Key_Right,     Qt::Key_Right, Qt::Key_Up,       Qt::Key_Return, Qt::Key_Down,
                          Qt::Key_Z,         Qt::Key_Q,     Qt::Key_Left,     Qt::Key_Right,  Qt::Key_Up,
                          Qt::Key_Backspace, Qt::Key_Down,  Qt::Key_Backspace};
  for (size_t i = 0; i < std::size(keys); ++i) {
    SCOPED_TRACE(i);
    QTest::keyClick(editor, keys[i]);
    const QImage held = Shown(window).copy(QRect(editor->mapTo(window, QPoint(0, 0)), editor->size()));
    EXPECT_EQ(held, editor->grab().toImage().convertToFormat(held.format()));
  }
  QApplication::setCursorFlashTime(flash);
}

TEST_F(EditorSpelling, OnlyTheLinesShownAreChecked) {
  ASSERT_TRUE(spelling->pick("fr_FR"));
  // A long file: 400 sections, each with its own misspelling.
  std::string text = "// header\n";
  for (int s = 0; s < 400; ++s)
    text += ".STRING " + std::to_string(s) + "\nmot" + std::to_string(s) + " zzq\n.ENDS\n";
  ui.richEdit(ControlId::TDMemo).setText(text);
  QCoreApplication::processEvents();
  const std::vector<Word> top = spelling->shownWords();
  ASSERT_FALSE(top.empty());
  EXPECT_LT(top.size(), 100u);
  editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum());
  const std::vector<Word> bottom = spelling->shownWords();
  ASSERT_FALSE(bottom.empty());
  EXPECT_GT(bottom.front().position, top.back().position);
  EXPECT_EQ(editor->document()->findBlock(bottom.back().position).blockNumber(), 400 * 3 - 1);
  // A section opened above the screen counts: with a body line first on the screen, its word is
  // the first one underlined.
  editor->verticalScrollBar()->setValue(2 + 3 * 100);  // string 100's text line
  const std::vector<Word> middle = spelling->shownWords();
  ASSERT_FALSE(middle.empty());
  EXPECT_EQ(editor->document()->findBlock(middle.front().position).blockNumber(), 2 + 3 * 100);
}

// Past a line that ends what the encoder writes, up to the closing line, nothing is checked.
TEST_F(EditorSpelling, LinesTheEncoderDoesNotWriteAreNotChecked) {
  ASSERT_TRUE(spelling->pick("fr_FR"));
  ui.richEdit(ControlId::TDMemo)
      .setText("// header\n.STRING 0\nzzq\nzzw\n.ends note\nqqz\n.ENDS\n.STRING 1\nxxq\n.ENDS\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(spelling->shownWords(), (std::vector<Word>{At("zzq"), At("zzw"), At("xxq")}));
  EXPECT_EQ(spelling->contextMenu(On(At("qqz"))), nullptr);
  std::unique_ptr<QMenu> menu(spelling->contextMenu(On(At("zzw"))));
  EXPECT_TRUE(menu);
  // Made such a line, "zzw" and what follows it are no longer written.
  PlaceCaret(At("zzw").position);
  QTest::keyClicks(editor, ".ENDS ");
  PlaceCaret(0);
  EXPECT_EQ(spelling->shownWords(), (std::vector<Word>{At("zzq"), At("xxq")}));
}

TEST_F(EditorSpelling, ASuggestionReplacesTheWordAsAnEditOfTheTranslator) {
  ASSERT_TRUE(spelling->pick("fr_FR"));
  clickLine("pList", 2);
  EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), "Fits | 1 unknown word");
  EXPECT_EQ(spelling->contextMenu(On(At("savent"))), nullptr);  // a known word: the editor's own menu
  std::unique_ptr<QMenu> menu(spelling->contextMenu(On(At("tuot"))));
  ASSERT_TRUE(menu);
  const QList<QAction*> actions = menu->actions();
  ASSERT_GT(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("tout"));
  EXPECT_TRUE(Item(menu.get(), "spellingAdd"));
  EXPECT_TRUE(Item(menu.get(), "spellingIgnore"));
  EXPECT_TRUE(
      actions.back()->text().contains(QStringLiteral("Select All")));  // the editor's own items follow
  actions[0]->trigger();
  EXPECT_TRUE(editor->toPlainText().contains(QStringLiteral("ils savent tout.")));
  EXPECT_TRUE(ui.richEdit(ControlId::TDMemo).modified());
  EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), "Fits");
  EXPECT_TRUE(spelling->shownWords().empty());
  // Typing just after the word is a step of its own; the suggestion taken is one step.
  QTextCursor after(editor->document());
  after.setPosition(static_cast<int>(editor->toPlainText().indexOf(QStringLiteral("tout."))) + 4);
  editor->setTextCursor(after);
  QTest::keyClicks(editor, "es");
  editor->undo();
  EXPECT_TRUE(editor->toPlainText().contains(QStringLiteral("ils savent tout.")));
  editor->undo();
  EXPECT_TRUE(editor->toPlainText().contains(QStringLiteral("ils savent tuot.")));
}

// A suggested abbreviation brings its dot, which takes the place of one after the word.
TEST_F(EditorSpelling, AnAbbreviationSuggestedTakesTheDotAfterTheWord) {
  if (!spell::FindDictionary("de_DE")) GTEST_SKIP() << "the de_DE dictionary is not installed";
  ASSERT_TRUE(spelling->pick("de_DE"));
  const struct {
    std::string line;
    QString word, chosen;
    std::string after;
  } cases[] = {
      {"Gold bzw Silber", "bzw", "bzw.", "Gold bzw. Silber"},
      {"Gold usww. Silber", "usww", "usw.", "Gold usw. Silber"},
      {"Gold Silbr.", "Silbr", "Silber", "Gold Silber."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ui.richEdit(ControlId::TDMemo).setText("// header\n.STRING 0\n" + c.line + "\n.ENDS\n");
    QCoreApplication::processEvents();
    std::unique_ptr<QMenu> menu(spelling->contextMenu(On(At(c.word))));
    ASSERT_TRUE(menu);
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions())
      if (a->objectName() == QLatin1String("spellingSuggestion") && a->text() == c.chosen) chosen = a;
    ASSERT_TRUE(chosen);
    chosen->trigger();
    EXPECT_EQ(editor->document()->findBlockByNumber(2).text().toStdString(), c.after);
  }
}

TEST_F(EditorSpelling, AddedWordsGoToTheProjectDictionaryIgnoredOnesNowhere) {
  ASSERT_TRUE(spelling->pick("fr_FR"));
  clickLine("pList", 2);
  for (const char* item : {"spellingIgnore", "spellingAdd"}) {
    SCOPED_TRACE(item);
    ASSERT_EQ(spelling->shownWords(), std::vector<Word>{At("tuot")});
    std::unique_ptr<QMenu> menu(spelling->contextMenu(On(At("tuot"))));
    ASSERT_TRUE(menu);
    Item(menu.get(), item)->trigger();
    EXPECT_TRUE(spelling->shownWords().empty());
    EXPECT_EQ(ui.statusBar().panelText(kStatusFitPanel), "Fits");
    EXPECT_EQ(ReadFileText(dir.file("Dumps/words.txt")),
              std::string(item) == "spellingAdd" ? "Kor\nSaragon\nTormel\ntuot\n" : "Kor\nSaragon\nTormel\n");
    EXPECT_FALSE(ui.richEdit(ControlId::TDMemo).modified());
    // The ignored word is known for this session only: a new editor sees it again.
    spelling = std::make_unique<qt::QtSpelling>(ui, program.myForm);
  }
  EXPECT_TRUE(spelling->shownWords().empty());  // added: known from the file
  // The list as another program (a `git pull`) left it is read when the editor is active again.
  dir.write("Dumps/words.txt", "Kor\nMira\nSaragon\nTormel\n");
  emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(spelling->shownWords(), std::vector<Word>{At("tuot")});
}

// Each item of the menu has an access key of its own; a suggested word stays as it is, "&" and
// all, and goes into the text so.
TEST_F(EditorSpelling, TheMenusAccessKeysAreDistinctAndSuggestionsLiteral) {
  dir.write("Dumps/words.txt", "Grim&Gor\n");
  spelling = std::make_unique<qt::QtSpelling>(ui, program.myForm);
  ASSERT_TRUE(spelling->pick("fr_FR"));
  ui.richEdit(ControlId::TDMemo).setText("// header\n.STRING 0\nGrimgor\n.ENDS\n");
  QCoreApplication::processEvents();
  std::unique_ptr<QMenu> menu(spelling->contextMenu(On(At("Grimgor"))));
  ASSERT_TRUE(menu);
  std::map<QString, QString> keys;  // access key: item
  QAction* word = nullptr;
  for (QAction* a : menu->actions()) {
    const QString key = QKeySequence::mnemonic(a->text()).toString();
    if (a->objectName() == QLatin1String("spellingSuggestion") &&
        a->text().startsWith(QLatin1String("Grim"))) {
      word = a;
      EXPECT_TRUE(key.isEmpty()) << key.toStdString();
    } else if (!key.isEmpty()) {
      EXPECT_TRUE(keys.emplace(key, a->text()).second)
          << key.toStdString() << " is also " << keys[key].toStdString();
    }
  }
  for (const char* item : {"spellingAdd", "spellingIgnore"})
    EXPECT_FALSE(QKeySequence::mnemonic(Item(menu.get(), item)->text()).isEmpty()) << item;
  ASSERT_TRUE(word);
  word->trigger();
  EXPECT_EQ(editor->document()->findBlockByNumber(2).text(), QStringLiteral("Grim&Gor"));
}

TEST_F(EditorSpelling, TheLanguageIsRememberedPerDataFile) {
  QMenu* menu = spelling->languageMenu();
  ASSERT_EQ(ui.action(MenuId::Spelling1)->menu(), menu);
  emit menu->aboutToShow();
  QAction* off = menu->findChild<QAction*>("spelling_");
  QAction* french = menu->findChild<QAction*>("spelling_fr_FR");
  ASSERT_TRUE(off && french);
  EXPECT_TRUE(off->isChecked());
  french->trigger();
  EXPECT_EQ(spelling->language(), "fr_FR");
  emit menu->aboutToShow();
  EXPECT_TRUE(menu->findChild<QAction*>("spelling_fr_FR")->isChecked());

  // The next start on the same data file has it again; another data file starts off.
  spelling = std::make_unique<qt::QtSpelling>(ui, program.myForm);
  EXPECT_EQ(spelling->language(), "fr_FR");
  const std::string demo = program.myForm.dataFilePath;
  program.myForm.dataFilePath = dir.file("other.txt");
  spelling->follow();
  EXPECT_EQ(spelling->language(), "");
  program.myForm.dataFilePath = demo;
  spelling->follow();
  EXPECT_EQ(spelling->language(), "fr_FR");

  // A dictionary that is not installed: said, and spelling is off; the next start has the
  // language that worked.
  EXPECT_FALSE(spelling->pick("xx_XX"));
  EXPECT_EQ(spelling->language(), "");
  ASSERT_FALSE(answers.boxes.empty());
  EXPECT_NE(answers.boxes.back().second.find("xx_XX"), std::string::npos);
  spelling = std::make_unique<qt::QtSpelling>(ui, program.myForm);
  EXPECT_EQ(spelling->language(), "fr_FR");
}

}  // namespace
}  // namespace ts2::test
