// ts2edit: the editor's windows on Qt.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/forms.h"
#include "qt/qt_spelling.h"
#include "qt/qt_text.h"
#include "qt/qt_toolkit.h"

namespace {

constexpr char kUsage[] =
    "usage: ts2edit [--spell LANG] [ROM [DATAFILE]]\n"
    "\n"
    "Opens the script editor. With ROM, the ROM file is opened at start; with DATAFILE too,\n"
    "that text block data file is read instead of asking for one.\n"
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

int Run(Application& app) {
  std::vector<std::string> files;
  std::optional<std::string> language;
  const QStringList arguments = QCoreApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QStringLiteral("--spell")) {
      if (++i == arguments.size()) {
        std::fprintf(stderr, "ts2edit: --spell needs a language\n%s", kUsage);
        return 2;
      }
      language = arguments[i] == QStringLiteral("off") ? std::string() : arguments[i].toStdString();
      continue;
    }
    if (arguments[i].startsWith(u'-') && arguments[i] != QStringLiteral("-")) {
      std::fprintf(stderr, "ts2edit: unknown option '%s'\n%s", qPrintable(arguments[i]), kUsage);
      return 2;
    }
    files.push_back(ts2::qt::ToPath(arguments[i]));
  }
  if (files.size() > 2) {
    std::fprintf(stderr, "ts2edit: too many arguments\n%s", kUsage);
    return 2;
  }

  ts2::qt::QtToolkit ui;
  // The translator's own settings (the player's name width of the fit check, the spelling language
  // of each data file), kept by Qt in the user's configuration folder.
  ui.setSettings(std::make_unique<QSettings>(QStringLiteral("ts2edit"), QStringLiteral("ts2edit")));
  ts2::Program program(ui);
  DetachSink detach{ui};
  if (program.myForm.closed) return 0;  // start-up failed and has said why
  // Spelling in the Text Editor, its language remembered per data file in the settings.
  ts2::qt::QtSpelling spelling(ui, program.myForm);
  ui.showStartWindows();
  if (!files.empty()) {
    // As with the open dialog, the ROM's folder becomes the working directory, so its Dumps
    // folder lies beside it; the names are made absolute first.
    for (std::string& f : files) f = ts2::qt::ToPath(QFileInfo(ts2::qt::FromPath(f)).absoluteFilePath());
    QDir::setCurrent(QFileInfo(ts2::qt::FromPath(files[0])).absolutePath());
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
    return Run(app);
  } catch (const std::exception& e) {
    ReportException(e.what());
  } catch (...) {
    ReportException("Unknown error.");
  }
  return 0;
}
