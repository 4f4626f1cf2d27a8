// The main menu built from the menu table, its top-level menus wrapped onto as many rows as
// the window's width needs.
#include <QActionGroup>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <map>
#include <set>

#include "qt/qt_forms.h"

namespace ts2::qt {

namespace {

// Left and Right in an open menu go on to the menus of the other rows, as they go round one menu
// bar: Right on the last menu of a row opens the first of the next (the last row's leads back to
// the first row), Left on the first opens the last of the row before.
class AcrossRows : public QObject {
 public:
  AcrossRows(QObject* parent, const std::vector<QMenuBar*>& rows) : QObject(parent), rows_(rows) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* menu = qobject_cast<QMenu*>(watched);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (!menu || (key != Qt::Key_Right && key != Qt::Key_Left)) return false;
    // Right on an item with a submenu opens it, as always.
    if (key == Qt::Key_Right && menu->activeAction() && menu->activeAction()->menu()) return false;
    std::vector<QMenuBar*> shown;
    for (QMenuBar* row : rows_)
      if (!row->actions().isEmpty()) shown.push_back(row);
    if (shown.size() < 2) return false;
    for (size_t r = 0; r < shown.size(); ++r) {
      const QList<QAction*> menus = shown[r]->actions();
      const bool edge =
          key == Qt::Key_Right ? menus.back() == menu->menuAction() : menus.front() == menu->menuAction();
      if (!edge) {
        if (menus.contains(menu->menuAction())) return false;
        continue;
      }
      QMenuBar* to = shown[(key == Qt::Key_Right ? r + 1 : r + shown.size() - 1) % shown.size()];
      QAction* open = key == Qt::Key_Right ? to->actions().front() : to->actions().back();
      menu->close();
      // Once this menu has closed and its bar let go.
      QTimer::singleShot(0, to, [to, open] { to->setActiveAction(open); });
      return true;
    }
    return false;
  }

 private:
  const std::vector<QMenuBar*>& rows_;
};

}  // namespace

QtMenuItem::QtMenuItem(const MenuEntry& entry)
    : checked_(entry.checked),
      enabled_(entry.enabled),
      visible_(entry.visible),
      radio_(entry.radioGroup != 0),
      caption_(entry.caption) {}

void QtMenuItem::bind(QAction* action, QAction* keys) {
  action_ = action;
  keys_ = keys;
  sync();
}

void QtMenuItem::setEnabled(bool enabled) {
  enabled_ = enabled;
  sync();
}

void QtMenuItem::setChecked(bool checked) {
  checked_ = checked;
  sync();
}

void QtMenuItem::setVisible(bool visible) {
  visible_ = visible;
  sync();
}

void QtMenuItem::setCaption(const std::string& caption) {
  const QString before = FromMessage(caption_);
  caption_ = caption;
  if (!action_) return;
  // A shortcut shown after the caption stays; a tab in the caption itself (a file's name) is not
  // taken for its start.
  const QString text = action_->text();
  action_->setText(FromMessage(caption) + (text.startsWith(before) ? text.mid(before.size()) : QString()));
}

void QtMenuItem::setHeld(bool held) {
  held_ = held;
  if (held_ || !pending_) return;
  pending_ = false;
  sync();
}

void QtMenuItem::sync() {
  if (!action_) return;
  if (held_) {
    pending_ = true;
    return;
  }
  // Shown already (Display Translated Text checked and unchecked around the drawing, released on
  // every keystroke): nothing is set.
  if (action_->isVisible() == visible_ && action_->isEnabled() == enabled_ &&
      (!keys_ || keys_->isEnabled() == enabled_) && action_->isChecked() == checked_ &&
      action_->isCheckable() == (radio_ || checked_))
    return;
  action_->setVisible(visible_);
  action_->setEnabled(enabled_);
  if (keys_) keys_->setEnabled(enabled_);
  if (action_->isSeparator() || action_->menu()) return;
  // Radio items always show their indicator; other items show a check mark only while checked.
  if (radio_ || checked_) action_->setCheckable(true);
  action_->setChecked(checked_);
  if (!radio_ && !checked_) action_->setCheckable(false);
}

void QtToolkit::Impl::menuTriggered(MenuId item) {
  // Qt has toggled the action already; the command sets the check marks itself.
  for (auto& m : menu) m->sync();
  if (sink && !mainClosed && menu[static_cast<size_t>(item)]->enabled()) sink->menuCommand(item);
}

void QtToolkit::Impl::buildMenu() {
  FormWidget* main = form(FormId::myForm);
  menuBar = new QMenuBar(main);
  menuBar->setObjectName(QStringLiteral("MainMenu"));
  menuBar->setNativeMenuBar(false);
  menuRows.push_back(menuBar);

  QMenu* current = nullptr;
  QObject* acrossRows = nullptr;
  std::map<MenuId, QMenu*> submenus;
  std::map<int, QActionGroup*> groups;
  std::set<std::string_view> taken;  // shortcuts in menu order: the first item owns the key
  for (const MenuEntry& e : MenuTable()) {
    const QString caption = FromBytes(e.caption);
    QMenu* host = e.parent == MenuId::Count ? current : submenus[e.parent];
    QAction* action = nullptr;
    QAction* keys = nullptr;
    if (e.kind == MenuKind::Submenu) {
      QMenu* menu = host && e.parent != MenuId::Count ? host->addMenu(caption) : menuBar->addMenu(caption);
      menu->setObjectName(FromBytes(e.name));
      submenus[e.id] = menu;
      if (e.parent == MenuId::Count) {
        current = menu;
        topMenus.push_back(menu->menuAction());
        if (!acrossRows) acrossRows = new AcrossRows(main, menuRows);
        menu->installEventFilter(acrossRows);
      }
      action = menu->menuAction();
    } else if (e.kind == MenuKind::Separator || !host) {
      action = host ? host->addSeparator() : menuBar->addSeparator();
    } else {
      action = host->addAction(caption);
      const MenuId id = e.id;
      QObject::connect(action, &QAction::triggered, main, [this, id] { menuTriggered(id); });
      if (e.radioGroup != 0) {
        QActionGroup*& group = groups[e.radioGroup];
        if (!group) group = new QActionGroup(menuBar);
        group->addAction(action);
      }
      if (!e.shortcut.empty()) {
        const QKeySequence sequence =
            QKeySequence::fromString(FromBytes(e.shortcut), QKeySequence::PortableText);
        const bool owner = taken.insert(e.shortcut).second;
        if (owner && e.visible) {
          action->setShortcut(sequence);
          action->setShortcutContext(Qt::ApplicationShortcut);
        } else {
          // Shown beside the caption without being registered: a hidden item's key is carried
          // by an action of the main window; a key owned by an earlier item stays with it.
          action->setText(caption + u'\t' + sequence.toString(QKeySequence::NativeText));
          if (owner) {
            keys = new QAction(main);
            keys->setShortcut(sequence);
            keys->setShortcutContext(Qt::ApplicationShortcut);
            main->addAction(keys);
            QObject::connect(keys, &QAction::triggered, main, [this, id] { menuTriggered(id); });
          }
        }
      }
    }
    action->setObjectName(FromBytes(e.name));
    auto item = std::make_unique<QtMenuItem>(e);
    item->bind(action, keys);
    menu.push_back(std::move(item));
  }
}

// Qt's menu bar shows what does not fit behind an overflow button; here the menus that do not
// fit go on to the next row instead. Each row is a menu bar of its own, whose item positions
// do not depend on its width, so a menu fits where its right edge stays inside the row.
int QtToolkit::Impl::menuBarHeight(int width) {
  if (width != arrangedWidth) {
    arrangedWidth = width;
    for (QMenuBar* row : menuRows)
      for (QAction* top : row->actions()) row->removeAction(top);
    size_t next = 0;
    for (size_t r = 0; next < topMenus.size(); ++r) {
      if (r == menuRows.size()) {
        auto* row = new QMenuBar(form(FormId::myForm));
        row->setObjectName(QStringLiteral("MainMenu%1").arg(r + 1));
        row->setNativeMenuBar(false);
        menuRows.push_back(row);
      }
      QMenuBar* row = menuRows[r];
      const int margin = row->style()->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, row) +
                         row->style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, row);
      const size_t first = next;
      for (; next < topMenus.size(); ++next) {
        row->addAction(topMenus[next]);
        // One menu a row at least, however narrow the window.
        if (next > first && row->actionGeometry(topMenus[next]).right() >= width - margin) {
          row->removeAction(topMenus[next]);
          break;
        }
      }
    }
  }
  int height = 0;
  for (QMenuBar* row : menuRows)
    if (!row->actions().isEmpty()) height += row->sizeHint().height();
  return height;
}

}  // namespace ts2::qt
