// The floor of bench/x_keystrokes.sh: a bare QPlainTextEdit in a window of the Text Editor's size
// (326 x 326, titled "Bare Editor"), with its font and wrapping, holding FILE as the Text Editor
// shows a translation file. Keys typed into it through X cost what Qt's own editor costs.
//
//   ts2_bare_editor FILE
#include <QApplication>
#include <QPlainTextEdit>
#include <optional>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "qt/qt_text.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  const std::optional<std::vector<uint8_t>> bytes = ts2::ReadWholeFile(argv[1]);
  if (!bytes) return 1;
  const std::string text(bytes->begin(), bytes->end());
  QWidget window;
  window.setWindowTitle(QStringLiteral("Bare Editor"));
  window.resize(326, 326);
  auto* edit = new QPlainTextEdit(&window);
  edit->setFont(ts2::qt::FixedPitchFont(13));
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit->setWordWrapMode(QTextOption::NoWrap);
  edit->setGeometry(0, 0, 318, 300);
  edit->setPlainText(ts2::qt::FromBytes(ts2::FileBytesToEditorText(text)));
  window.show();
  return QApplication::exec();
}
