// The editor at Qt level (offscreen platform unless QT_QPA_PLATFORM names another): the real windows and
// program, as ts2edit builds them, each case beside a bare QPlainTextEdit doing the Qt part of the same work
// in the same run.
//
//   BM_Keystroke/large  keys typed into the Text Editor in the last of 10,000 sections (1.28 MB
//                       file), against the same keys typed into a bare QPlainTextEdit holding the
//                       same text; events are processed (and both painted) after each key. Before
//                       its key, each editor's window is made the active one and the editor
//                       focused (not timed), so both draw their caret as a typist sees it.
//                       TS2_BENCH_DEBUG=1 prints the paints and painted pixels per key of both, and
//                       every event delivered per key, by receiver and event type.
//   BM_Keystroke/demo   the same on the demo set's translation file (391 bytes)
//   BM_Keystroke/large_spelling, BM_Keystroke/demo_spelling
//                       the same with spelling on in the Text Editor (en_US on the large file's
//                       English, fr_FR on the demo's French with its one misspelling shown)
//   BM_BlockSwitch      choosing the block whose file is 1.28 MB (from a block with a small file),
//                       against setPlainText of the same text into the bare editor
//   BM_BlockSwitch_glossary  the same with a glossary of 1,000 terms in the translations folder
//   BM_BlockSwitch_similar  the same with the Similar Strings window open
//   BM_StringSwitch     choosing the string whose section is the file's last (from string 0),
//                       against the bare editor moving its caret there and scrolling it to the top
//   BM_StringSwitch_similar  the same with the Similar Strings window open
//   BM_SimilarOpen      View > Similar Strings with the large block shown (everything read again),
//                       against a plain read of the same translation files
//   BM_ProofSheet       Edit > Export Proof Sheet of the block of 10 strings (a hidden program
//                       opens the ROM again and draws each string, a slice of 30 ms at a time
//                       between events; the page is written), against
//                       the part no sheet can leave out: the editor's bitmap encoded as PNG by Qt
//                       once a string and a file of the page's size written
//   BM_ProofSheet_large the same for the block of 10,000 strings
//   BM_TypingPause_large, BM_TypingPause_large_spelling
//                       what the pause after a key costs (List Data's states of the other strings
//                       follow once typing pauses): the editor's CPU time over a wait longer than
//                       the pause after a key in the last section, against the same wait after no
//                       key; spelling off, and on (en_US)
//
// Every figure is CPU time of the program's one thread (CLOCK_THREAD_CPUTIME_ID); the counters
// give the editor's and the bare editor's milliseconds per event and their ratio (keystrokes), or
// the editor's time beyond the bare editor's (switches; the goal is one 60 Hz frame, 16.7 ms).
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_qt_editor_bench && build-bench/bench/ts2_qt_editor_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "core/forms.h"
#include "qt/qt_spelling.h"
#include "qt/qt_text.h"
#include "qt/qt_toolkit.h"
#include "script/autosave.h"
#include "script/compress.h"
#include "script/textfile.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;
constexpr int kStrings = 10000;               // block 0: its file is the large one
constexpr int kSmallStrings = 10;             // block 1
constexpr uint32_t kPointerTable = 0x100000;  // block 0's string pointers
constexpr uint32_t kSmallTable = 0x108000;    // block 1's
constexpr uint32_t kTextBank = 0x110000;      // both blocks' strings
constexpr int kDistinctStrings = 2000;        // a bank holds this many strings of 24 bytes

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

QApplication& App() {
  static int argc = 1;
  static char name[] = "ts2_qt_editor_bench";
  static char* argv[] = {name, nullptr};
  // Offscreen unless a platform is named (QT_QPA_PLATFORM=xcb under Xvfb paints through X).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// A ROM with a 256-glyph font, a block of 10,000 strings and one of 10 strings.
std::string Image() {
  std::string image(kImageSize, '\0');
  std::memcpy(image.data() + kTitleOffset, kGameTitle, 15);
  std::mt19937 rng(7);
  Bytes glyphs(256 * 32);
  for (uint8_t& b : glyphs) b = static_cast<uint8_t>(rng());
  const Bytes table = BuildGlyphTable(glyphs, kFontTableOffset);
  std::memcpy(image.data() + kFontTableOffset, table.data(), table.size());
  auto pointer = [&](uint32_t table, int s) {
    const uint32_t p = static_cast<uint32_t>(s % kDistinctStrings) * 25;
    image[table + 2 * s] = static_cast<char>(p);
    image[table + 2 * s + 1] = static_cast<char>(p >> 8);
  };
  for (int s = 0; s < kStrings; ++s) pointer(kPointerTable, s);
  for (int s = 0; s < kSmallStrings; ++s) pointer(kSmallTable, s);
  for (int s = 0; s < kDistinctStrings; ++s) {
    char* str = image.data() + kTextBank + s * 25;
    str[0] = 23;  // 24 one-byte characters
    for (int c = 1; c <= 24; ++c) str[c] = static_cast<char>(rng());
  }
  return image;
}

// `count` sections of three lines of about 40 characters: 1.28 MB for 10,000 with CR LF line ends.
std::string TranslationFile(int count) {
  std::string text = "// Do not erase these: \r\n// .STRING #\r\n// .ENDS\r\n\r\n\r\n";
  for (int s = 0; s < count; ++s) {
    text += Format(".STRING %d\r\n", s);
    text += Format("The hero [PLAYER] reads line %05d of the\r\n", s);
    text += "translation, [$4142] and more words here,\r\n";
    text += "a third line.\r\n.ENDS\r\n\r\n\r\n\r\n";
  }
  return text;
}

// The large set (a ROM and data file with the two blocks, and their files) and the demo set.
struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-qt-editor-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    saved = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    romPath = (dir / "game.sfc").string();
    WriteFile(romPath, Image());
    dataPath = (dir / "data.txt").string();
    WriteFile(dataPath,
              Format(".FORMAT 18 16 8 1 16 0 1 2 3\r\n.BLOCK $%06X $%06X 0 %d\r\n.BLOCK $%06X $%06X 0 %d\r\n",
                     kPointerTable | 0xC00000, kTextBank | 0xC00000, kStrings, kSmallTable | 0xC00000,
                     kTextBank | 0xC00000, kSmallStrings));
    std::filesystem::create_directory(dir / "Dumps");
    large = TranslationFile(kStrings);
    WriteFile(TranslationFileName((dir / "Dumps").string(), kPointerTable), large);
    WriteFile(TranslationFileName((dir / "Dumps").string(), kSmallTable), TranslationFile(kSmallStrings));
    demo = dir / "demo";
    const std::string command = "'" TS2_TOOL_PATH "' demo '" + demo.string() + "' >/dev/null";
    demoMade = std::system(command.c_str()) == 0;
  }
  ~Workspace() {
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir, saved, demo;
  std::string romPath, dataPath, large;
  bool demoMade = false;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

// No dialog is ever shown: every question is answered No.
struct NoDialogs : qt::DialogAnswers {
  std::optional<std::vector<std::string>> openFiles(const FileDialog&) override { return std::nullopt; }
  std::optional<std::string> saveFile(const FileDialog&) override { return saveAs; }
  bool box(Box, const std::string&, const std::string&) override { return false; }
  int choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
    return choice;
  }
  std::optional<int> number(const std::string&, int, int, int) override { return std::nullopt; }
  std::optional<std::string> saveAs;  // the file a save dialog chooses; none cancels it
  int choice = -1;                    // the button a question with named buttons gets
};

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// The editor, started on a ROM and data file as `ts2edit ROM DATAFILE` starts, its windows shown.
// With `language`, spelling is on in the Text Editor, as View > Spelling turns it on.
struct Editor {
  Editor(const std::string& rom, const std::string& data, const std::string& language = "") {
    ui.setDialogAnswers(&answers);
    ui.showStartWindows();
    opened = program.myForm.OpenRomFile(rom, data);
    if (!language.empty()) {
      spelling = std::make_unique<qt::QtSpelling>(ui, program.myForm);
      opened = opened && spelling->pick(language);
      if (std::getenv("SPELL_OFF_AGAIN")) spelling->pick("");
    }
    Settle();
  }
  ~Editor() {
    spelling.reset();
    ui.setEventSink(nullptr);
  }
  QPlainTextEdit* editor() const { return ui.form(FormId::TxtForm)->findChild<QPlainTextEdit*>("TDMemo"); }
  void selectString(int s) {
    ui.list(ControlId::pList).setItemIndex(s);
    program.listClick(ControlId::pList);
    Settle();
  }
  void selectBlock(int b) {
    ui.list(ControlId::bList).setItemIndex(b);
    program.listClick(ControlId::bList);
    Settle();
  }
  // Makes the Text Editor the active window, the caret at the end of line 1 of the section whose
  // header is `header`.
  void typeInto(const std::string& header) {
    QWidget* window = ui.form(FormId::TxtForm);
    QApplication::setActiveWindow(window);
    editor()->setFocus();
    const std::string text = ui.richEdit(ControlId::TDMemo).text();
    const size_t at = text.find('\n', text.find('\n', text.rfind(header)) + 1);
    QTextCursor cursor(editor()->document());
    cursor.setPosition(static_cast<int>(at));
    editor()->setTextCursor(cursor);
    Settle();
  }
  QApplication& app = App();  // before any widget
  qt::QtToolkit ui;
  NoDialogs answers;
  Program program{ui};
  std::unique_ptr<qt::QtSpelling> spelling;
  bool opened = false;
};

// A bare QPlainTextEdit in a window of the Text Editor's size, with its font and wrapping.
struct Bare {
  Bare() {
    window.resize(326, 326);
    edit = new QPlainTextEdit(&window);
    edit->setFont(qt::FixedPitchFont(13));
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setWordWrapMode(QTextOption::NoWrap);
    edit->setGeometry(0, 0, 318, 300);
    window.show();
    Settle();
  }
  void caretAt(int position) {
    QTextCursor cursor(edit->document());
    cursor.setPosition(position);
    edit->setTextCursor(cursor);
    Settle();
  }
  QWidget window;
  QPlainTextEdit* edit;
};

// Counts the paint events a widget receives and the pixels they cover.
struct PaintCounter : QObject {
  explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (counting && event->type() == QEvent::Paint) {
      ++paints;
      for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
        pixels += int64_t{r.width()} * r.height();
    }
    return false;
  }
  int64_t paints = 0, pixels = 0;
  bool counting = false;
};

void Key(QWidget* w, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
  QCoreApplication::processEvents();
}

// A key and whatever it left for later (repaints, zero-time timers). Two functions, so that a
// profile tells the editor's keys from the bare editor's (noipa: the linker would fold them).
[[gnu::noipa]] void EditorKey(QWidget* w, int key, const QString& text) {
  Key(w, key, text);
  Settle();
}
[[gnu::noipa]] void BareKey(QWidget* w, int key, const QString& text) {
  Key(w, key, text);
  Settle();
}

// Under TS2_BENCH_DEBUG: every event the application delivers while counting, by receiver class
// and event type, and the pixels of each widget's paints; printed per key.
struct EventCensus : QObject {
  EventCensus() { QCoreApplication::instance()->installEventFilter(this); }
  ~EventCensus() override { QCoreApplication::instance()->removeEventFilter(this); }
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (!counting) return false;
    std::string key = std::string(receiver->metaObject()->className()) + " " +
                      (receiver->objectName().isEmpty() ? "" : receiver->objectName().toStdString() + " ") +
                      std::to_string(static_cast<int>(event->type()));
    Count& c = counts[key];
    ++c.events;
    if (event->type() == QEvent::Paint)
      for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
        c.pixels += int64_t{r.width()} * r.height();
    return false;
  }
  void print(const char* who, int64_t keys) const {
    std::fprintf(stderr, "events per key, %s (receiver, event type: count, painted px):\n", who);
    for (const auto& [key, c] : counts)
      std::fprintf(stderr, "  %-60s %6.2f %8.0f\n", key.c_str(), static_cast<double>(c.events) / keys,
                   static_cast<double>(c.pixels) / keys);
  }
  struct Count {
    int64_t events = 0, pixels = 0;
  };
  std::map<std::string, Count> counts;
  bool counting = false;
};

// Keys alternate between `run` letters and as many Backspaces, so the text stays as it was.
void TypeKeys(benchmark::State& state, Editor& e, const std::string& header, int64_t run = 1) {
  e.typeInto(header);
  Bare bare;
  const std::string text = e.ui.richEdit(ControlId::TDMemo).text();
  bare.edit->setPlainText(qt::FromBytes(text));
  bare.caretAt(e.editor()->textCursor().position());
  if (std::getenv("TS2_BENCH_DEBUG"))
    std::fprintf(
        stderr, "active %s, editor focus %d, bare focus %d\n",
        QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none",
        e.editor()->hasFocus(), bare.edit->hasFocus());
  PaintCounter editorPaints(e.editor()->viewport()), barePaints(bare.edit->viewport());
  std::unique_ptr<EventCensus> editorEvents, bareEvents;
  if (std::getenv("TS2_BENCH_DEBUG")) {
    editorEvents = std::make_unique<EventCensus>();
    bareEvents = std::make_unique<EventCensus>();
  }
  double editorMs = 0, bareMs = 0;
  int64_t keys = 0;
  // Each editor gets the keys as the translator's typing would reach it: its window active and
  // the editor focused (caret shown and blinking). Switching is outside the timed part.
  QWidget* editorWindow = e.ui.form(FormId::TxtForm);
  const auto focus = [](QWidget* window, QWidget* edit) {
    QApplication::setActiveWindow(window);
    edit->setFocus();
    Settle();
  };
  bool focused = true;
  int64_t verdictChanges = 0;  // keys after which the fit panel reads otherwise
  std::string verdict = e.ui.statusBar().panelText(kStatusFitPanel);
  for (auto _ : state) {
    const bool letter = keys++ % (2 * run) < run;
    const int key = letter ? Qt::Key_X : Qt::Key_Backspace;
    const QString typed = letter ? QStringLiteral("x") : QString();
    focus(editorWindow, e.editor());
    focused = focused && e.editor()->hasFocus();
    editorPaints.counting = true;
    if (editorEvents) editorEvents->counting = true;
    const double t0 = ThreadCpuMs();
    EditorKey(e.editor(), key, typed);
    const double t1 = ThreadCpuMs();
    editorPaints.counting = false;
    if (editorEvents) editorEvents->counting = false;
    focus(&bare.window, bare.edit);
    focused = focused && bare.edit->hasFocus();
    barePaints.counting = true;
    if (bareEvents) bareEvents->counting = true;
    const double t2 = ThreadCpuMs();
    BareKey(bare.edit, key, typed);
    bareMs += ThreadCpuMs() - t2;
    barePaints.counting = false;
    if (bareEvents) bareEvents->counting = false;
    editorMs += t1 - t0;
    if (std::string now = e.ui.statusBar().panelText(kStatusFitPanel); now != verdict) {
      ++verdictChanges;
      verdict = std::move(now);
    }
  }
  if (!focused) state.SkipWithError("an editor did not have the focus when its key came");
  if (e.program.myForm.gSectionLine < 0) state.SkipWithError("the keys did not reach a shown section");
  state.counters["editor_ms"] = editorMs / static_cast<double>(keys);
  state.counters["bare_ms"] = bareMs / static_cast<double>(keys);
  state.counters["ratio"] = editorMs / bareMs;
  state.counters["text_bytes"] = static_cast<double>(text.size());
  state.counters["verdict_changes"] = static_cast<double>(verdictChanges) / static_cast<double>(keys);
  if (std::getenv("TS2_BENCH_DEBUG"))
    std::fprintf(
        stderr, "paints per key: editor %.2f (%.0f px), bare %.2f (%.0f px)\n",
        static_cast<double>(editorPaints.paints) / keys, static_cast<double>(editorPaints.pixels) / keys,
        static_cast<double>(barePaints.paints) / keys, static_cast<double>(barePaints.pixels) / keys);
  if (editorEvents) {
    editorEvents->print("editor", keys);
    bareEvents->print("bare", keys);
  }
}

// Whether the editor opened the large set and shows its 1.28 MB file; skips the case otherwise.
bool LargeShown(benchmark::State& state, Editor& e, const std::string& language) {
  if (e.opened && e.ui.richEdit(ControlId::TDMemo).textLength() >= 1000000) return true;
  state.SkipWithError(language.empty() ? "the large file was not loaded"
                                       : "the large file was not loaded or en_US is not installed");
  return false;
}

void KeystrokeLarge(benchmark::State& state, const std::string& language) {
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath, language);
  if (!LargeShown(state, e, language)) return;
  e.selectString(kStrings - 1);
  TypeKeys(state, e, Format(".STRING %d", kStrings - 1));
}
void BM_Keystroke_large(benchmark::State& state) {
  KeystrokeLarge(state, "");
}
void BM_Keystroke_large_spelling(benchmark::State& state) {
  KeystrokeLarge(state, "en_US");
}

// Keys at the end of string `string`'s first line: string 0's line is full, so each key moves
// it between fitting and too wide (its mark and the fit panel change with every key); string 1's
// line has room, as most keys of a translator's typing do. With `run` letters before as many
// Backspaces, string 0 changes its verdict twice in 2 × `run` keys: a word typed past the full
// line's end and taken back.
void KeystrokeDemo(benchmark::State& state, const std::string& language, int string = 0, int64_t run = 1) {
  Workspace& w = Space();
  if (!w.demoMade) {
    state.SkipWithError("ts2tool demo failed");
    return;
  }
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(w.demo);  // its Dumps folder is the demo's
  {
    Editor e((w.demo / "demo.sfc").string(), (w.demo / "demo.txt").string(), language);
    if (!e.opened) {
      state.SkipWithError("the demo set was not opened or fr_FR is not installed");
    } else {
      if (e.spelling && e.spelling->shownWords().size() != 1)
        state.SkipWithError("not one misspelling shown");
      e.selectString(string);
      TypeKeys(state, e, Format(".STRING %d", string), run);
    }
  }
  std::filesystem::current_path(saved);
}
void BM_Keystroke_demo(benchmark::State& state) {
  KeystrokeDemo(state, "");
}
void BM_Keystroke_demo_spelling(benchmark::State& state) {
  KeystrokeDemo(state, "fr_FR");
}
void BM_Keystroke_demo_fitting(benchmark::State& state) {
  KeystrokeDemo(state, "", 1);
}
void BM_Keystroke_demo_word(benchmark::State& state) {
  KeystrokeDemo(state, "", 0, 6);
}

// Runs the event loop for `ms` milliseconds of wall time, as an idle editor does.
void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// After a key in the last section, once typing pauses, the other strings' states follow (List
// Data's marks): the CPU time of a wait longer than that pause, against the same wait after no key.
void TypingPause(benchmark::State& state, const std::string& language) {
  constexpr int kWaitMs = 600;  // the pause is 400 ms
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath, language);
  if (!LargeShown(state, e, language)) return;
  e.selectString(kStrings - 1);
  e.typeInto(Format(".STRING %d", kStrings - 1));
  Wait(kWaitMs);
  double pauseMs = 0, idleMs = 0;
  int64_t keys = 0;
  for (auto _ : state) {
    const bool letter = keys++ % 2 == 0;
    EditorKey(e.editor(), letter ? Qt::Key_X : Qt::Key_Backspace, letter ? QStringLiteral("x") : QString());
    const double t0 = ThreadCpuMs();
    Wait(kWaitMs);
    const double t1 = ThreadCpuMs();
    Wait(kWaitMs);  // nothing typed before it: the floor
    idleMs += ThreadCpuMs() - t1;
    pauseMs += t1 - t0;
  }
  state.counters["pause_ms"] = pauseMs / static_cast<double>(keys);
  state.counters["idle_ms"] = idleMs / static_cast<double>(keys);
  state.counters["beyond_ms"] = (pauseMs - idleMs) / static_cast<double>(keys);
}
void BM_TypingPause_large(benchmark::State& state) {
  TypingPause(state, "");
}
void BM_TypingPause_large_spelling(benchmark::State& state) {
  TypingPause(state, "en_US");
}

double WallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The copy of unsaved text that a typing pause writes, with the 1.28 MB file edited: the whole of
// the pause's work (the text read from the editor, converted to the file's bytes, hashed, written
// as two files, each replaced atomically and flushed to the disk), against its floor in the same
// run: the same bytes written to one file with write() and fsync(). Wall time is what the user
// waits for (the flush waits for the disk); CPU time is the program's own part of it.
void BM_AutosavePause_large(benchmark::State& state) {
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath);
  if (!LargeShown(state, e, "")) return;
  const std::string folder = (w.dir / "autosave").string();
  e.ui.useAutosaveFolder(folder);
  e.selectString(kStrings - 1);
  e.typeInto(Format(".STRING %d", kStrings - 1));
  const std::string floorPath = (w.dir / "floor.txt").string();
  double copyWall = 0, copyCpu = 0, floorWall = 0, floorCpu = 0;
  int64_t pauses = 0;
  for (auto _ : state) {
    const bool letter = pauses++ % 2 == 0;
    EditorKey(e.editor(), letter ? Qt::Key_X : Qt::Key_Backspace, letter ? QStringLiteral("x") : QString());
    Settle();
    double w0 = WallMs(), c0 = ThreadCpuMs();
    e.program.autosave().Update();
    copyWall += WallMs() - w0;
    copyCpu += ThreadCpuMs() - c0;

    const std::string bytes = EditorTextToFileBytes(e.ui.richEdit(ControlId::TDMemo).text());
    w0 = WallMs(), c0 = ThreadCpuMs();
    const int fd = ::open(floorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = fd >= 0 &&
                         ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                         ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    floorWall += WallMs() - w0;
    floorCpu += ThreadCpuMs() - c0;
    // The copy is a NAME-HASH.txt file in the folder.
    bool copied = false;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
      copied = copied || entry.path().extension() == ".txt";
    if (!written || !copied) {
      state.SkipWithError("the copy or the floor's file was not written");
      return;
    }
  }
  const auto n = static_cast<double>(pauses);
  state.counters["copy_wall_ms"] = copyWall / n;
  state.counters["floor_wall_ms"] = floorWall / n;
  state.counters["wall_ratio"] = copyWall / floorWall;
  state.counters["copy_cpu_ms"] = copyCpu / n;
  state.counters["floor_cpu_ms"] = floorCpu / n;
  state.counters["cpu_ratio"] = copyCpu / floorCpu;
  e.ui.useAutosaveFolder("");
}

void BlockSwitch(benchmark::State& state, bool similar = false) {
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath);
  if (similar) e.program.myForm.RunMenuCommand(MenuId::SimilarStrings1);
  Bare bare;
  const QString large = qt::FromBytes(FileBytesToEditorText(w.large));
  const QString small = qt::FromBytes(FileBytesToEditorText(TranslationFile(kSmallStrings)));
  double editorMs = 0, bareMs = 0;
  int64_t switches = 0;
  for (auto _ : state) {
    e.selectBlock(1);
    bare.edit->setPlainText(small);
    Settle();
    const double t0 = ThreadCpuMs();
    e.selectBlock(0);
    const double t1 = ThreadCpuMs();
    bare.edit->setPlainText(large);
    Settle();
    bareMs += ThreadCpuMs() - t1;
    editorMs += t1 - t0;
    ++switches;
  }
  if (e.ui.richEdit(ControlId::TDMemo).textLength() < 1000000)
    state.SkipWithError("the large file was not shown");
  state.counters["editor_ms"] = editorMs / static_cast<double>(switches);
  state.counters["bare_ms"] = bareMs / static_cast<double>(switches);
  state.counters["beyond_ms"] = (editorMs - bareMs) / static_cast<double>(switches);
}

void BM_BlockSwitch(benchmark::State& state) {
  BlockSwitch(state);
}

// The same with a team glossary of 1,000 terms in the translations folder: the shown block's
// 10,000 original strings are decoded and searched for its terms on each switch.
void BM_BlockSwitch_glossary(benchmark::State& state) {
  const std::string glossary = (Space().dir / "Dumps" / "glossary.csv").string();
  std::string csv = "source,target\r\n";
  for (int i = 0; i < 1000; ++i) csv += Format("Term%d,Terme%d\r\n", i, i);
  WriteFile(glossary, csv);
  BlockSwitch(state);
  std::filesystem::remove(glossary);
}

void StringSwitch(benchmark::State& state, bool similar) {
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath);
  if (similar) e.program.myForm.RunMenuCommand(MenuId::SimilarStrings1);
  Bare bare;
  bare.edit->setPlainText(qt::FromBytes(FileBytesToEditorText(w.large)));
  Settle();
  const std::string text = e.ui.richEdit(ControlId::TDMemo).text();
  const int header = static_cast<int>(text.rfind(Format(".STRING %d", kStrings - 1)));
  const int line = textops::LineFromChar(text, header);
  double editorMs = 0, bareMs = 0;
  int64_t switches = 0;
  for (auto _ : state) {
    e.selectString(0);
    bare.caretAt(0);
    bare.edit->verticalScrollBar()->setValue(0);
    Settle();
    const double t0 = ThreadCpuMs();
    e.selectString(kStrings - 1);
    const double t1 = ThreadCpuMs();
    bare.caretAt(header);
    bare.edit->verticalScrollBar()->setValue(line);
    Settle();
    bareMs += ThreadCpuMs() - t1;
    editorMs += t1 - t0;
    ++switches;
  }
  if (e.program.myForm.gSectionLine != line) state.SkipWithError("the last section was not shown");
  if (similar && !e.program.ScriptForm().similar.shown) state.SkipWithError("Similar Strings was not shown");
  state.counters["editor_ms"] = editorMs / static_cast<double>(switches);
  state.counters["bare_ms"] = bareMs / static_cast<double>(switches);
  state.counters["beyond_ms"] = (editorMs - bareMs) / static_cast<double>(switches);
}

// The same with the Similar Strings window open: the block left is read again from its file, the
// block shown taken from the Text Editor.
void BM_BlockSwitch_similar(benchmark::State& state) {
  BlockSwitch(state, true);
}

void BM_StringSwitch(benchmark::State& state) {
  StringSwitch(state, false);
}
// The same with the Similar Strings window open: the shown block's translations are taken from
// the Text Editor again and the string's original compared with every translated string's.
void BM_StringSwitch_similar(benchmark::State& state) {
  StringSwitch(state, true);
}

// Opening the Similar Strings window (or asking for it again, which reads everything again) with
// the large block shown: every string's original decoded, every file read and indexed, the shown
// string compared; against a plain read of the same translation files.
void BM_SimilarOpen(benchmark::State& state) {
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath);
  e.selectString(kStrings - 1);
  Settle();
  const std::vector<ScriptBlock> blocks = ScriptBlocks(e.program.myForm, e.program.myForm.gDumpDir);
  double editorMs = 0, floorMs = 0;
  int64_t opened = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    const double t0 = ThreadCpuMs();
    e.program.myForm.RunMenuCommand(MenuId::SimilarStrings1);
    Settle();
    const double t1 = ThreadCpuMs();
    for (const ScriptBlock& b : blocks)
      bytes += ReadWholeFile(b.file).value_or(std::vector<uint8_t>()).size();
    floorMs += ThreadCpuMs() - t1;
    editorMs += t1 - t0;
    ++opened;
  }
  if (!e.program.ScriptForm().similar.shown || bytes == 0) state.SkipWithError("nothing was read");
  state.counters["editor_ms"] = editorMs / static_cast<double>(opened);
  state.counters["read_ms"] = floorMs / static_cast<double>(opened);
  state.counters["beyond_ms"] = (editorMs - floorMs) / static_cast<double>(opened);
}

// Export Proof Sheet of the small block: everything the command does, against Qt's PNG encoding
// of the same bitmap once a string and the write of a page of the same size.
void ProofSheet(benchmark::State& state, int block, int strings) {
  Workspace& w = Space();
  Editor e(w.romPath, w.dataPath);
  e.selectBlock(block);
  const std::string page = (w.dir / "proof.html").string(), floorPage = (w.dir / "floor.html").string();
  e.answers.saveAs = page;
  e.answers.choice = 0;  // the shown block
  double editorMs = 0, floorMs = 0;
  int64_t sheets = 0;
  for (auto _ : state) {
    std::filesystem::remove(page);
    const double t0 = ThreadCpuMs();
    e.program.myForm.RunMenuCommand(MenuId::ExportProof1);
    // Drawn a slice at a time between events: done when the page is written.
    while (!std::filesystem::exists(page)) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double t1 = ThreadCpuMs();
    std::string png;
    for (int s = 0; s < strings; ++s) png += e.ui.pngOf(e.program.myForm.gBitmap);
    png.resize(std::max(png.size(), static_cast<size_t>(std::filesystem::file_size(page))));
    WriteFileAtomic(floorPage, png.data(), png.size());
    floorMs += ThreadCpuMs() - t1;
    editorMs += t1 - t0;
    ++sheets;
  }
  const std::vector<uint8_t> sheet = ReadWholeFile(page).value_or(std::vector<uint8_t>());
  if (std::string(sheet.begin(), sheet.end()).find(Format("String# %d<", strings - 1)) == std::string::npos)
    state.SkipWithError("no sheet was written");
  state.counters["editor_ms"] = editorMs / static_cast<double>(sheets);
  state.counters["floor_ms"] = floorMs / static_cast<double>(sheets);
  state.counters["editor_ms_per_string"] = editorMs / static_cast<double>(sheets) / strings;
  state.counters["ratio"] = editorMs / floorMs;
}

void BM_ProofSheet(benchmark::State& state) {
  ProofSheet(state, 1, kSmallStrings);
}
// The same for the block of 10,000 strings: what a string costs once the opening is shared.
void BM_ProofSheet_large(benchmark::State& state) {
  ProofSheet(state, 0, kStrings);
}

// Seconds of CPU time each keystroke case runs for: TS2_BENCH_KEY_SECONDS, or 2. Under callgrind
// (bench/callgrind_keys.sh) 2 seconds are about 70 keys, and the first keys after each round's
// opening, which measure texts and fill caches, weigh in; a longer run counts the steady keys.
double KeySeconds() {
  const char* seconds = std::getenv("TS2_BENCH_KEY_SECONDS");
  return seconds && std::atof(seconds) > 0 ? std::atof(seconds) : 2.0;
}

BENCHMARK(BM_Keystroke_large)->Unit(benchmark::kMillisecond)->MinTime(KeySeconds());
BENCHMARK(BM_Keystroke_demo)->Unit(benchmark::kMillisecond)->MinTime(KeySeconds());
BENCHMARK(BM_Keystroke_large_spelling)->Unit(benchmark::kMillisecond)->MinTime(KeySeconds());
BENCHMARK(BM_Keystroke_demo_spelling)->Unit(benchmark::kMillisecond)->MinTime(KeySeconds());
BENCHMARK(BM_Keystroke_demo_fitting)->Unit(benchmark::kMillisecond)->MinTime(KeySeconds());
BENCHMARK(BM_Keystroke_demo_word)->Unit(benchmark::kMillisecond)->MinTime(KeySeconds());
BENCHMARK(BM_BlockSwitch)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BlockSwitch_glossary)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BlockSwitch_similar)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StringSwitch)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_StringSwitch_similar)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_SimilarOpen)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_AutosavePause_large)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ProofSheet)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ProofSheet_large)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TypingPause_large)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_TypingPause_large_spelling)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
