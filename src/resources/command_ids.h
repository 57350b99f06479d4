#pragma once
// The frame's command ids, as the menus, toolbars and accelerators send them.

namespace quillet::ui::cmd {

constexpr unsigned kChangeListView = 32781;
constexpr unsigned kConfiguration = 32782;
constexpr unsigned kStyleIcons = 32788;
constexpr unsigned kStyleList = 32789;
constexpr unsigned kStyleReport = 32790;
constexpr unsigned kStyleSmallIcons = 32791;
constexpr unsigned kNewDataLink = 32792;
constexpr unsigned kNewConnectionString = 32793;
constexpr unsigned kOpenDataLink = 32795;
constexpr unsigned kCloseConnection = 32796;
constexpr unsigned kBack = 32801;
constexpr unsigned kForward = 32802;
constexpr unsigned kUp = 32803;
constexpr unsigned kRefresh = 32804;
constexpr unsigned kLockToolBars = 32805;
constexpr unsigned kExit = 32806;
constexpr unsigned kAbout = 32807;
constexpr unsigned kStop = 32809;
constexpr unsigned kQuickViewBar = 32810;
constexpr unsigned kDatabaseTree = 32811;
constexpr unsigned kReportWindow = 32812;
constexpr unsigned kDatabaseButtons = 32813;
constexpr unsigned kSqlWindow = 32814;
constexpr unsigned kPlugins = 32818;
constexpr unsigned kExecuteSql = 32822;
constexpr unsigned kPreviousRow = 32823;
constexpr unsigned kNextRow = 32824;
constexpr unsigned kSaveConfiguration = 32826;
constexpr unsigned kExportConfiguration = 32828;
constexpr unsigned kTipOfTheDay = 32830;
constexpr unsigned kGoToRow = 32840;
constexpr unsigned kFirstPage = 32841;
constexpr unsigned kPreviousPage = 32842;
constexpr unsigned kNextPage = 32843;
constexpr unsigned kLastPage = 32844;
constexpr unsigned kCopy = 32850;
constexpr unsigned kCopyRow = 32851;
constexpr unsigned kCopyPage = 32852;
constexpr unsigned kExportRows = 32853;
constexpr unsigned kStandardButtons = 33794;
constexpr unsigned kStatusBar = 33797;
constexpr unsigned kFirstRecent = 57616;
constexpr unsigned kLastRecent = 57631;
constexpr unsigned kFirstElementCommand = 53248;
constexpr unsigned kLastElementCommand = 53504;

// Toolbar band ids of the saved layout.
constexpr unsigned kMenuBand = 60160;
constexpr unsigned kStandardBand = 60161;
constexpr unsigned kDatabaseBand = 60162;

}  // namespace quillet::ui::cmd
