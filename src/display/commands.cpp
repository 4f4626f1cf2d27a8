// The main window's view and window commands: redrawing both text boxes after a view option
// changed, the box colour and fill, the tool windows (shown, kept on top, placed beside the main
// window) and the two window sizes.
#include <optional>
#include <string>

#include "core/forms.h"
#include "views/script_form.h"

namespace ts2 {

namespace {
constexpr int kWindowGap = 2;  // pixels between the main window and the tool windows
constexpr char kPlayerWidthSetting[] = "PlayerNameWidth";
}  // namespace

// Both boxes are drawn from what the string display prepared: the ROM text decoded again, the
// translation from the byte string already encoded. DTT picks the target and ends unchecked.
void TmyForm::RedrawBothPages() {
  SetChecked(MenuId::DTT, false);
  RenderString(gGlyphH, gGlyphW);
  SetChecked(MenuId::DTT, true);
  RenderString(gGlyphH, gGlyphW);
  SetChecked(MenuId::DTT, false);
}

void TmyForm::HideCodesClick(TObject /*Sender*/) {
  SetChecked(MenuId::HideCodes, !Checked(MenuId::HideCodes));
  RedrawBothPages();
}

void TmyForm::UseVWFRoutine1Click(TObject /*Sender*/) {
  SetChecked(MenuId::UseVWFRoutine1, !Checked(MenuId::UseVWFRoutine1));
  RedrawBothPages();
  // What fits depends on the advance: a verdict already shown is renewed.
  if (!ui.statusBar().panelText(kStatusFitPanel).empty()) ShowTranslationFit();
  program.ScriptForm().OptionsChanged();
}

void TmyForm::PlayerNameWidth1Click(TObject /*Sender*/) {
  const std::optional<int> width =
      ui.askNumber("Player Name Width",
                   "The fit check measures the player's name ([PLAYER]) as this many characters of the "
                   "widest letter:",
                   gPlayerWidth, 0, kMaxPlayerWidth);
  if (!width || *width < 0 || *width > kMaxPlayerWidth) return;
  gPlayerWidth = *width;
  ui.setSetting(kPlayerWidthSetting, std::to_string(*width));
  if (!ui.statusBar().panelText(kStatusFitPanel).empty()) ShowTranslationFit();
  program.ScriptForm().OptionsChanged();
}

void TmyForm::RestorePlayerWidth() {
  const std::optional<std::string> saved = ui.setting(kPlayerWidthSetting);
  if (!saved || saved->empty() || saved->size() > 2) return;
  int width = 0;
  for (char c : *saved) {
    if (c < '0' || c > '9') return;  // not one of ours: the default stays
    width = width * 10 + (c - '0');
  }
  if (width <= kMaxPlayerWidth) gPlayerWidth = width;
}

// All five radio items of the Textbox Color menu: box colour (group 1) and fill (group 2).
void TmyForm::Red1Click(MenuId item) {
  SetChecked(item, true);
  RedrawBothPages();
}

void TmyForm::DTTClick(TObject Sender) {
  SetChecked(MenuId::DTT, !Checked(MenuId::DTT));
  pListClick(Sender);
  // The display leaves DTT unchecked, except when it stops early (no ROM, no selected string):
  // the check must not outlive the command either way, or the next render would draw the
  // ROM text into the translation box.
  SetChecked(MenuId::DTT, false);
}

void TmyForm::TEOnTopClick(TObject /*Sender*/) {
  const bool onTop = !Checked(MenuId::TEOnTop);
  SetChecked(MenuId::TEOnTop, onTop);
  ui.window(FormId::TxtForm).setStayOnTop(onTop);
  ui.window(FormId::KanaForm).setStayOnTop(onTop);
}

void TmyForm::DisplayTextEditor1Click(TObject /*Sender*/) {
  ui.window(FormId::TxtForm).show();
}

void TmyForm::ViewHexData1Click(TObject /*Sender*/) {
  ui.window(FormId::HexForm).show();
}

void TmyForm::DisplayKanaTextDump1Click(TObject /*Sender*/) {
  ui.window(FormId::KanaForm).show();
}

void TmyForm::DefaultWindowSize1Click(TObject /*Sender*/) {
  Window& main = ui.window(FormId::myForm);
  if (main.maximized()) main.setNormalState();
  main.setClientHeight(gDefClientH);
  main.setClientWidth(gDefClientW);
  zoom = 1;
  FormResize(&main);
}

// Video grows to `factor` times the bitmap's size. The toolkit's own resize events come first,
// with the main window as sender; this last call without one puts the Kana Text window below
// the List Data window.
void TmyForm::ZoomClient(int factor) {
  Window& main = ui.window(FormId::myForm);
  if (main.maximized()) main.setNormalState();
  main.setClientHeight(gDefClientH + (factor - 1) * kZoomRowsAdded);
  main.setClientWidth(factor * gDefClientW);
  zoom = factor;
  FormResize(kNoSender);
}

void TmyForm::Zoominx21Click(TObject /*Sender*/) {
  ZoomClient(2);
}

void TmyForm::Zoominx31Click(TObject /*Sender*/) {
  ZoomClient(3);
}

void TmyForm::Zoominx41Click(TObject /*Sender*/) {
  ZoomClient(4);
}

// Places the tool windows by their outer bounds: the Text Editor right of the main window, the
// List Data window below the Text Editor, the Kana Text window below the main window (or, with
// no sender, below the List Data window).
void TmyForm::FormResize(TObject Sender) {
  Window& main = ui.window(FormId::myForm);
  if (!gMainReady || main.maximized()) return;
  const Rect m = main.bounds();

  Window& txt = ui.window(FormId::TxtForm);
  txt.setPosition(m.left + m.width + kWindowGap, m.top);
  const Rect t = txt.bounds();

  Window& list = ui.window(FormId::cmForm);
  list.setPosition(t.left, t.top + t.height + kWindowGap);
  const Rect l = list.bounds();

  Window& kana = ui.window(FormId::KanaForm);
  if (Sender != kNoSender) {
    kana.setPosition(m.left, m.top + m.height + kWindowGap);
  } else {
    kana.setPosition(l.left, l.top + l.height + kWindowGap);
  }
}

}  // namespace ts2
