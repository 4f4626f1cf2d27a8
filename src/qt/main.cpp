// ts2edit: the editor's windows on Qt.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/drop.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "qt/qt_spelling.h"
#include "qt/qt_text.h"
#include "qt/qt_toolkit.h"

namespace {

constexpr char kUsage[] =
    "usage: ts2edit [--spell LANG] [ROM [DATAFILE]]\n"
    "       ts2edit [--spell LANG] FILE...\n"
    "\n"
    "Opens the script editor. With ROM, the ROM file is opened at start; with DATAFILE too,\n"
    "that text block data file is read instead of asking for one. Files given otherwise (a\n"
    "patch, a data file first, a ROM and its patches) are opened as if dropped on the window.\n"
    "Without files, the editor opens nothing; File > Recent Files offers the last ROM and\n"
    "data files.\n"
    "\n"
    "The windows' places, the zoom and the recent files are kept in\n"
    "$XDG_CONFIG_HOME/ts2edit/ts2edit.conf (~/.config/ts2edit/ts2edit.conf).\n"
    "\n"
    "  --spell LANG  check spelling in the Text Editor with the installed dictionary LANG\n"
    "                (en_US, fr_FR, ...; off turns it off), as View > Spelling does: it is\n"
    "                remembered for the data file\n"
    "  --help        show this help\n"
    "  --version     show the version\n";

void ReportException(const char* what) {
  QMessageBox::critical(nullptr, QStringLiteral("ts2edit"), QString::fromLocal8Bit(what));
}

// An exception that escapes a handler is reported, and the program goes on.
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      ReportException(e.what());
    } catch (...) {
      ReportException("Unknown error.");
    }
    return false;
  }
};

// Events stop reaching the program before it is destroyed.
struct DetachSink {
  ts2::qt::QtToolkit& ui;
  ~DetachSink() { ui.setEventSink(nullptr); }
};

// `argv` as Qt left it (its own options taken out). File names are taken as the bytes given, so
// that a name that is not UTF-8 opens the file it names.
int Run(Application& app, int argc, char** argv) {
  std::vector<std::string> files;
  std::optional<std::string> language;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument(argv[i]);
    if (argument == "--spell") {
      if (++i == argc) {
        std::fprintf(stderr, "ts2edit: --spell needs a language\n%s", kUsage);
        return 2;
      }
      language = std::string_view(argv[i]) == "off" ? std::string() : std::string(argv[i]);
      continue;
    }
    if (argument.starts_with('-') && argument != "-") {
      std::fprintf(stderr, "ts2edit: unknown option '%s'\n%s", argv[i], kUsage);
      return 2;
    }
    // Made absolute at once, as the system resolves it: a ".." after a link is the link's.
    files.push_back(ts2::AbsoluteFileName(std::string(argument)));
  }
  // A ROM first, then at most its data file: the classic command line. Anything else (a patch,
  // a data file, a second ROM, a ROM and its patches the desktop opens with the editor) is taken
  // as a drop.
  const bool classic =
      ts2::ClassicCommandLine(files, ts2::RomFileFilter(), ts2::DataFileFilter(), ts2::PatchFileFilter());

  ts2::qt::QtToolkit ui;
  ui.useSettingsFile(ts2::qt::QtToolkit::UserSettingsFile());
  ui.useAutosaveFolder(ts2::qt::QtToolkit::UserAutosaveFolder());
  ts2::Program program(ui);
  DetachSink detach{ui};
  if (program.myForm.closed) return 0;  // start-up failed and has said why
  // Spelling in the Text Editor, its language remembered per data file in the settings.
  ts2::qt::QtSpelling spelling(ui, program.myForm);
  // The places kept from the last run are given before the windows are shown, so that they are
  // taken as the frames' places, as they were saved.
  ui.showStartWindows([&program] { program.myForm.RestoreSession(); });
  if (!files.empty() && !classic) {
    program.filesDropped(files);
    if (program.myForm.closed) return 0;
  } else if (!files.empty()) {
    // As with the open dialog, the ROM's folder becomes the working directory, so its Dumps
    // folder lies beside it.
    std::error_code error;
    std::filesystem::current_path(std::filesystem::path(files[0]).parent_path(), error);
    program.myForm.OpenRomFile(files[0], files.size() > 1 ? files[1] : std::string());
    if (program.myForm.closed) return 0;
  }
  if (language) spelling.pick(*language);  // for the data file just read, if any
  app.exec();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("ts2edit %s\n", TS2_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  Application app(argc, argv);
  try {
    return Run(app, argc, argv);
  } catch (const std::exception& e) {
    ReportException(e.what());
  } catch (...) {
    ReportException("Unknown error.");
  }
  return 0;
}
