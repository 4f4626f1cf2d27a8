// The main menu built from the menu table.
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <map>
#include <set>

#include "qt/qt_forms.h"

namespace ts2::qt {

QtMenuItem::QtMenuItem(const MenuEntry& entry)
    : checked_(entry.checked),
      enabled_(entry.enabled),
      visible_(entry.visible),
      radio_(entry.radioGroup != 0) {}

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

void QtMenuItem::sync() {
  if (!action_) return;
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

  QMenu* current = nullptr;
  std::map<int, QActionGroup*> groups;
  std::set<std::string_view> taken;  // shortcuts in menu order: the first item owns the key
  for (const MenuEntry& e : MenuTable()) {
    const QString caption = FromBytes(e.caption);
    QAction* action = nullptr;
    QAction* keys = nullptr;
    if (e.kind == MenuKind::Submenu) {
      current = menuBar->addMenu(caption);
      current->setObjectName(FromBytes(e.name));
      action = current->menuAction();
    } else if (e.kind == MenuKind::Separator || !current) {
      action = current ? current->addSeparator() : menuBar->addSeparator();
    } else {
      action = current->addAction(caption);
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

}  // namespace ts2::qt
