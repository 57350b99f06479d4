#include "resources/ui/icons.h"

#include <QFile>

// The resource file is compiled into this static library; referencing it keeps it linked.
static void InitIconResources() {
  Q_INIT_RESOURCE(icons);
}

namespace quillet::ui {
namespace {

struct IconSource {
  const char* file;
  const char* themeName;  // nullptr: always our own (the theme has nothing that means the same)
};

IconSource SourceOf(IconId id) {
  switch (id) {
    case IconId::kDatabase:
      return {"database.svg", nullptr};
    case IconId::kTablesFolder:
      return {"folder_tables.svg", nullptr};
    case IconId::kProceduresFolder:
      return {"folder_procedures.svg", nullptr};
    case IconId::kViewsFolder:
      return {"folder_views.svg", nullptr};
    case IconId::kTable:
      return {"table.svg", nullptr};
    case IconId::kProcedure:
      return {"procedure.svg", nullptr};
    case IconId::kView:
      return {"view.svg", nullptr};
    case IconId::kNewDataLink:
      return {"new_datalink.svg", "document-new"};
    case IconId::kOpen:
      return {"open.svg", "document-open"};
    case IconId::kCloseConnection:
      return {"close_connection.svg", nullptr};
    case IconId::kBack:
      return {"back.svg", "go-previous"};
    case IconId::kForward:
      return {"forward.svg", "go-next"};
    case IconId::kUp:
      return {"up.svg", "go-up"};
    case IconId::kStop:
      return {"stop.svg", "process-stop"};
    case IconId::kRefresh:
      return {"refresh.svg", "view-refresh"};
    case IconId::kChangeView:
      return {"change_view.svg", nullptr};
    case IconId::kConfiguration:
      return {"configuration.svg", "preferences-system"};
    case IconId::kNextRow:
      return {"next_row.svg", nullptr};
    case IconId::kPreviousRow:
      return {"previous_row.svg", nullptr};
    case IconId::kSqlWindow:
      return {"sql_window.svg", nullptr};
    case IconId::kExecute:
      return {"execute.svg", "media-playback-start"};
    case IconId::kReportError:
      return {"report_error.svg", "dialog-error"};
    case IconId::kReportInformation:
      return {"report_information.svg", "dialog-information"};
    case IconId::kQuickTables:
      return {"qv_tables.svg", nullptr};
    case IconId::kQuickProcedures:
      return {"qv_procedures.svg", nullptr};
    case IconId::kQuickViews:
      return {"qv_views.svg", nullptr};
  }
  return {"", nullptr};
}

}  // namespace

QString IconResourcePath(IconId id) {
  static const bool initialised = (InitIconResources(), true);
  (void)initialised;
  return QStringLiteral(":/icons/") + QString::fromLatin1(SourceOf(id).file);
}

QIcon LoadIcon(IconId id) {
  const QString path = IconResourcePath(id);
  QIcon own(path);
  const char* theme = SourceOf(id).themeName;
  if (theme != nullptr && QIcon::hasThemeIcon(QString::fromLatin1(theme)))
    return QIcon::fromTheme(QString::fromLatin1(theme), own);
  return own;
}

QIcon ItemImage(int index) {
  if (index < 0 || index > 6) return {};
  return LoadIcon(static_cast<IconId>(static_cast<int>(IconId::kDatabase) + index));
}

}  // namespace quillet::ui
