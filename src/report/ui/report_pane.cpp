#include "report/ui/report_pane.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include "resources/ui/icons.h"
#include "resources/ui/scroll_bars.h"

namespace quillet::ui {

ReportModel::ReportModel(QObject* parent) : QAbstractTableModel(parent) {
  icons_[report::kReportError] = LoadIcon(IconId::kReportError);
  icons_[report::kReportInformation] = LoadIcon(IconId::kReportInformation);
}

int ReportModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(log_.Size());
}

int ReportModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : report::kReportColumnCount;
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= log_.Size()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(log_.CellText(row, index.column()));
    case Qt::ToolTipRole:
      // The whole text, for a description cut by its column.
      if (index.column() == report::kColumnDescription)
        return QString::fromStdString(log_.At(row).description);
      return {};
    case Qt::DecorationRole: {
      const int type = log_.At(row).type;
      if (index.column() == report::kColumnType && (type == 0 || type == 1)) return icons_[type];
      return {};
    }
    default:
      return {};
  }
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return QString::fromStdString(report::ReportColumnTitle(section));
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

void ReportModel::Add(int type, const std::string& description) {
  beginInsertRows({}, 0, 0);
  log_.Add(type, description);
  endInsertRows();
}

ReportView::ReportView(QWidget* parent) : QTableView(parent) {
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionsClickable(false);  // headers never sort
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setIconSize(QSize(16, 16));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void ReportView::paintEvent(QPaintEvent* event) {
  if (model() != nullptr && model()->rowCount() > 0) {
    QTableView::paintEvent(event);
    return;
  }
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(viewport()->rect(), pal.color(QPalette::Base));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(14);
  painter.setFont(font);
  painter.setPen(pal.color(QPalette::Text));
  QRect area = viewport()->rect();
  area.setTop(area.top() + 20);
  painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   QString::fromStdString(report::ReportEmptyText()));
}

ReportPane::ReportPane(QWidget* parent) : QWidget(parent) {
  model_ = new ReportModel(this);
  view_ = new ReportView(this);
  view_->setModel(model_);
  // The columns start at their usual widths, widened where this desktop's font needs more room
  // for a time or a type text.
  const QFontMetrics metrics = view_->fontMetrics();
  const int typeWidth = 16 + 12 +
                        metrics.horizontalAdvance(QString::fromStdString(
                            report::ReportTypeText(report::kReportInformation)));
  const int timeWidth = 12 + metrics.horizontalAdvance(QString::fromStdString(
                                 report::FormatReportTime({2000, 12, 28, 23, 58, 58, 888})));
  view_->setColumnWidth(report::kColumnType,
                        std::max(report::ReportColumnWidth(report::kColumnType), typeWidth));
  view_->setColumnWidth(report::kColumnTime,
                        std::max(report::ReportColumnWidth(report::kColumnTime), timeWidth));
  view_->setColumnWidth(report::kColumnDescription,
                        report::ReportColumnWidth(report::kColumnDescription));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  ApplyReportOptions(true, true, false);
  // A row picked other than the newest is the user's: new entries leave it picked.
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!adding_) userPicked_ = current.isValid() && current.row() != 0;
          });
}

void ReportPane::AddEntry(int type, const std::string& description) {
  // The new entry comes first and is picked, unless the user picked an older one: that one stays
  // picked (it moved down by one). The view follows the newest entry only while the user is not
  // looking further down.
  const QModelIndex picked = view_->currentIndex();
  const bool atTop = view_->verticalScrollBar()->value() == 0;
  adding_ = true;
  model_->Add(type, description);
  if (picked.isValid() && userPicked_)
    view_->setCurrentIndex(model_->index(picked.row() + 1, picked.column()));
  else
    view_->setCurrentIndex(model_->index(0, 0));
  adding_ = false;
  if (atTop) view_->scrollToTop();
  if (view_->isVisible()) view_->viewport()->repaint();
}

void ReportPane::ApplyReportOptions(bool showGrid, bool fullRowSelect, bool flatScrollBars) {
  view_->setShowGrid(showGrid);
  view_->setSelectionBehavior(fullRowSelect ? QAbstractItemView::SelectRows
                                            : QAbstractItemView::SelectItems);
  SetFlatScrollBars(view_, flatScrollBars);
  view_->viewport()->update();
}

}  // namespace quillet::ui
