// The window's commands as actions, and the menus and toolbars that show them.
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "resources/ui/icons.h"
#include "shell/ui/main_window.h"
#include "tabledata/ui/data_list_view.h"

namespace quillet::ui {
namespace {

struct CommandLook {
  unsigned id;
  IconId icon;
};

constexpr CommandLook kLooks[] = {
    {cmd::kNewDataLink, IconId::kNewDataLink},
    {cmd::kOpenDataLink, IconId::kOpen},
    {cmd::kCloseConnection, IconId::kCloseConnection},
    {cmd::kBack, IconId::kBack},
    {cmd::kForward, IconId::kForward},
    {cmd::kUp, IconId::kUp},
    {cmd::kStop, IconId::kStop},
    {cmd::kRefresh, IconId::kRefresh},
    {cmd::kChangeListView, IconId::kChangeView},
    {cmd::kConfiguration, IconId::kConfiguration},
    {cmd::kNextRow, IconId::kNextRow},
    {cmd::kPreviousRow, IconId::kPreviousRow},
    {cmd::kSqlWindow, IconId::kSqlWindow},
    {cmd::kExecuteSql, IconId::kExecute},
};

struct Accelerator {
  unsigned id;
  QKeyCombination keys;
};

const Accelerator kAccelerators[] = {
    {cmd::kNewDataLink, Qt::CTRL | Qt::Key_D},
    {cmd::kNewConnectionString, Qt::CTRL | Qt::Key_N},
    {cmd::kOpenDataLink, Qt::CTRL | Qt::Key_O},
    {cmd::kRefresh, Qt::CTRL | Qt::Key_R},
    {cmd::kAbout, Qt::SHIFT | Qt::Key_F1},
    {cmd::kExecuteSql, QKeyCombination(Qt::Key_F5)},
    {cmd::kBack, Qt::ALT | Qt::Key_Left},
    {cmd::kForward, Qt::ALT | Qt::Key_Right},
    {cmd::kGoToRow, Qt::CTRL | Qt::Key_G},
    {cmd::kFirstPage, Qt::CTRL | Qt::Key_Home},
    {cmd::kLastPage, Qt::CTRL | Qt::Key_End},
    {cmd::kPreviousPage, Qt::CTRL | Qt::Key_PageUp},
    {cmd::kNextPage, Qt::CTRL | Qt::Key_PageDown},
};

// Copying belongs to the data list: elsewhere (the SQL editor, the report) the keys keep their
// own meaning.
const Accelerator kListAccelerators[] = {
    {cmd::kCopy, Qt::CTRL | Qt::Key_C},
    {cmd::kCopyRow, Qt::CTRL | Qt::SHIFT | Qt::Key_C},
};
constexpr unsigned kListCommands[] = {cmd::kCopy, cmd::kCopyRow, cmd::kCopyPage, 0,
                                      cmd::kExportRows};

constexpr unsigned kCheckable[] = {cmd::kStandardButtons, cmd::kDatabaseButtons, cmd::kLockToolBars,
                                   cmd::kStatusBar,       cmd::kQuickViewBar,    cmd::kDatabaseTree,
                                   cmd::kReportWindow,    cmd::kSqlWindow};

constexpr unsigned kStyleCommands[] = {cmd::kStyleIcons, cmd::kStyleSmallIcons, cmd::kStyleList,
                                       cmd::kStyleReport};

}  // namespace

void MainWindow::CreateActions() {
  for (const CommandInfo& info : AllCommands()) {
    QString text = QString::fromUtf8(info.menuText.data(), static_cast<int>(info.menuText.size()));
    if (text.isEmpty())
      text = QString::fromUtf8(info.tooltip.data(), static_cast<int>(info.tooltip.size()));
    if (!info.shortcut.empty())
      text += QLatin1Char('\t') +
              QString::fromUtf8(info.shortcut.data(), static_cast<int>(info.shortcut.size()));
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("command%1").arg(info.id));  // found by the viewers
    action->setStatusTip(
        QString::fromUtf8(info.prompt.data(), static_cast<int>(info.prompt.size())));
    action->setToolTip(
        QString::fromUtf8(info.tooltip.data(), static_cast<int>(info.tooltip.size())));
    const unsigned id = info.id;
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    actions_[id] = action;
    addAction(action);  // accelerators work whatever bar is shown
  }
  for (const CommandLook& look : kLooks)
    if (QAction* action = Action(look.id)) action->setIcon(LoadIcon(look.icon));
  for (const Accelerator& accelerator : kAccelerators)
    if (QAction* action = Action(accelerator.id)) {
      action->setShortcut(QKeySequence(accelerator.keys));
      action->setShortcutContext(Qt::WindowShortcut);
    }
  for (const Accelerator& accelerator : kListAccelerators)
    if (QAction* action = Action(accelerator.id)) {
      removeAction(action);
      action->setShortcut(QKeySequence(accelerator.keys));
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
  // The list's context menu, and the end of its cell menu.
  QList<QAction*> listActions;
  for (unsigned id : kListCommands) {
    QAction* action = id != 0 ? Action(id) : new QAction(this);
    if (id == 0) action->setSeparator(true);
    listActions << action;
  }
  dataList_->SetListActions(listActions);
  for (unsigned id : kCheckable)
    if (QAction* action = Action(id)) action->setCheckable(true);
  auto* styles = new QActionGroup(this);
  styles->setExclusive(true);
  for (unsigned id : kStyleCommands)
    if (QAction* action = Action(id)) {
      action->setCheckable(true);
      styles->addAction(action);
    }
}

void MainWindow::CreateMenus() {
  menus_ = new QMenuBar(this);
  menus_->setNativeMenuBar(false);  // it lives in a movable band of the window
  const auto add = [this](QMenu* menu, std::initializer_list<unsigned> ids) {
    for (unsigned id : ids) {
      if (id == 0)
        menu->addSeparator();
      else if (QAction* action = Action(id))
        menu->addAction(action);
    }
  };
  const auto refreshOnShow = [this](QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateUi);
  };

  fileMenu_ = menus_->addMenu(QStringLiteral("&File"));
  add(fileMenu_, {cmd::kNewDataLink, cmd::kNewConnectionString, cmd::kOpenDataLink,
                  cmd::kCloseConnection, 0, cmd::kExportRows, 0});
  QAction* recentEnd = fileMenu_->addSeparator();
  recentEnd->setObjectName(QStringLiteral("recentEnd"));
  add(fileMenu_, {cmd::kExit});
  refreshOnShow(fileMenu_);
  connect(fileMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(fileMenu_); });

  QMenu* edit = menus_->addMenu(QStringLiteral("&Edit"));
  add(edit, {cmd::kCopy, cmd::kCopyRow, cmd::kCopyPage});
  refreshOnShow(edit);

  QMenu* view = menus_->addMenu(QStringLiteral("&View"));
  QMenu* toolbars = view->addMenu(QStringLiteral("&Toolbars"));
  add(toolbars, {cmd::kStandardButtons, cmd::kDatabaseButtons, 0, cmd::kLockToolBars});
  add(view, {cmd::kStatusBar});
  QMenu* layout = view->addMenu(QStringLiteral("&Layout"));
  add(layout, {cmd::kQuickViewBar, cmd::kDatabaseTree, cmd::kReportWindow, cmd::kSqlWindow});
  view->addSeparator();
  QMenu* go = view->addMenu(QStringLiteral("&Go to"));
  add(go, {cmd::kBack, cmd::kForward, cmd::kUp});
  add(view, {cmd::kStop, cmd::kRefresh, 0, cmd::kStyleIcons, cmd::kStyleSmallIcons, cmd::kStyleList,
             cmd::kStyleReport});
  for (QMenu* menu : {view, toolbars, layout, go}) refreshOnShow(menu);

  QMenu* database = menus_->addMenu(QStringLiteral("&Database"));
  add(database, {cmd::kPreviousRow, cmd::kNextRow, 0, cmd::kFirstPage, cmd::kPreviousPage,
                 cmd::kNextPage, cmd::kLastPage, cmd::kGoToRow, 0, cmd::kExecuteSql});
  refreshOnShow(database);

  QMenu* options = menus_->addMenu(QStringLiteral("&Options"));
  add(options,
      {cmd::kConfiguration, cmd::kPlugins, 0, cmd::kSaveConfiguration, cmd::kExportConfiguration});
  refreshOnShow(options);

  QMenu* help = menus_->addMenu(QStringLiteral("&Help"));
  add(help, {cmd::kTipOfTheDay, 0, cmd::kAbout});
  refreshOnShow(help);

  // The drop-downs of the toolbar buttons.
  newDropDown_ = new QMenu(this);
  add(newDropDown_, {cmd::kNewDataLink, cmd::kNewConnectionString});
  recentDropDown_ = new QMenu(this);
  add(recentDropDown_, {cmd::kOpenDataLink, 0});
  connect(recentDropDown_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(recentDropDown_); });
  viewStyleMenu_ = new QMenu(this);
  add(viewStyleMenu_,
      {cmd::kStyleIcons, cmd::kStyleSmallIcons, cmd::kStyleList, cmd::kStyleReport});
  for (QMenu* menu : {newDropDown_, recentDropDown_, viewStyleMenu_}) refreshOnShow(menu);
}

void MainWindow::FillRecentMenu(QMenu* menu) {
  for (QAction* action : menu->actions())
    if (action->property("recent").toBool()) {
      menu->removeAction(action);
      action->deleteLater();
    }
  // The File menu keeps its entries before the separator above Exit; the open drop-down after
  // its last separator.
  QAction* before = nullptr;
  if (menu == fileMenu_) {
    for (QAction* action : menu->actions())
      if (action->objectName() == QLatin1String("recentEnd")) before = action;
  }
  for (const shell::MenuItem& item : recentModel_.Items()) {
    auto* action = new QAction(QString::fromStdString(item.text), menu);
    action->setProperty("recent", true);
    action->setEnabled(item.enabled && !item.separator);
    action->setSeparator(item.separator);
    const unsigned id = item.id;
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    if (before != nullptr)
      menu->insertAction(before, action);
    else
      menu->addAction(action);
  }
}

void MainWindow::CreateToolBars() {
  menuBand_ = new QToolBar(QStringLiteral("Menu bar"), this);
  menuBand_->setObjectName(QString::number(cmd::kMenuBand));
  menuBand_->addWidget(menus_);
  addToolBar(Qt::TopToolBarArea, menuBand_);

  standardBar_ = new QToolBar(QStringLiteral("Standard Buttons"), this);
  standardBar_->setObjectName(QString::number(cmd::kStandardBand));
  standardBar_->setIconSize(QSize(24, 24));
  const auto add = [](QToolBar* bar, std::initializer_list<QAction*> actions) {
    for (QAction* action : actions) {
      if (action == nullptr)
        bar->addSeparator();
      else
        bar->addAction(action);
    }
  };
  add(standardBar_,
      {Action(cmd::kNewDataLink), Action(cmd::kOpenDataLink), Action(cmd::kCloseConnection),
       nullptr, Action(cmd::kBack), Action(cmd::kForward), Action(cmd::kUp), Action(cmd::kStop),
       Action(cmd::kRefresh), nullptr, Action(cmd::kChangeListView), nullptr,
       Action(cmd::kConfiguration)});
  const auto dropDown = [this](unsigned id, QMenu* menu, QToolButton::ToolButtonPopupMode mode) {
    if (auto* button = qobject_cast<QToolButton*>(standardBar_->widgetForAction(Action(id)))) {
      button->setMenu(menu);
      button->setPopupMode(mode);
    }
  };
  dropDown(cmd::kNewDataLink, newDropDown_, QToolButton::MenuButtonPopup);
  dropDown(cmd::kOpenDataLink, recentDropDown_, QToolButton::MenuButtonPopup);
  dropDown(cmd::kChangeListView, viewStyleMenu_, QToolButton::InstantPopup);
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, standardBar_);

  addToolBarBreak(Qt::TopToolBarArea);
  databaseBar_ = new QToolBar(QStringLiteral("Database Buttons"), this);
  databaseBar_->setObjectName(QString::number(cmd::kDatabaseBand));
  databaseBar_->setIconSize(QSize(24, 24));
  add(databaseBar_, {Action(cmd::kNextRow), Action(cmd::kPreviousRow), nullptr,
                     Action(cmd::kSqlWindow), nullptr, Action(cmd::kExecuteSql)});
  addToolBar(Qt::TopToolBarArea, databaseBar_);

  SetChecked(cmd::kStandardButtons, true);
  SetChecked(cmd::kDatabaseButtons, true);
  SetChecked(cmd::kStatusBar, true);
}

void MainWindow::PopupUnder(QToolBar* bar, unsigned commandId, QMenu* menu) {
  QWidget* button = bar->widgetForAction(Action(commandId));
  const QPoint at = button != nullptr ? button->mapToGlobal(QPoint(0, button->height()))
                                      : mapToGlobal(QPoint(0, 0));
  menu->popup(at);
}

QAction* MainWindow::Action(unsigned id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

}  // namespace quillet::ui
