// A sample viewer module: shows a cell that holds a picture (PNG, JPEG, or any format Qt
// reads), scaled to fit its window. It offers itself only for cells whose bytes decode.

#include <QDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <string>

#include "quillet_plugin.h"
#include "viewer_support.h"

namespace {

// Pictures larger than this are not read: a viewer should not swallow a huge value whole.
constexpr qsizetype kMaxBytes = 64 * 1024 * 1024;

std::string lastError;
const QuilletWideChar kMenuTextW[] = {'S', 'h', 'o', 'w', ' ', 'a', 's', ' ', 'a',
                                      'n', ' ', 'i', 'm', 'a', 'g', 'e', 0};
const QuilletWideChar kEmptyW[] = {0};

QImage Decode(BlobInfo* info) {
  bool complete = true;
  const QByteArray bytes = viewer::ReadAll(info, kMaxBytes, &complete);
  if (!complete || bytes.isEmpty()) return QImage();
  return QImage::fromData(bytes);
}

// The picture in a label that rescales it to the space it has, keeping its proportions.
class PictureLabel : public QLabel {
 public:
  explicit PictureLabel(const QImage& image, QWidget* parent)
      : QLabel(parent), pixmap_(QPixmap::fromImage(image)) {
    setAlignment(Qt::AlignCenter);
    setMinimumSize(64, 64);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setStyleSheet(QStringLiteral("background: #808080;"));
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    // Small pictures grow without blurring, large ones shrink smoothly.
    const QSize target = pixmap_.size().scaled(size(), Qt::KeepAspectRatio);
    const Qt::TransformationMode mode =
        target.width() > pixmap_.width() ? Qt::FastTransformation : Qt::SmoothTransformation;
    setPixmap(pixmap_.scaled(target, Qt::KeepAspectRatio, mode));
  }

 private:
  QPixmap pixmap_;
};

}  // namespace

QUILLET_PLUGIN_EXPORT const char* GetLastErrorTextA(void) {
  return lastError.empty() ? nullptr : lastError.c_str();
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetLastErrorTextW(void) {
  return kEmptyW;
}

QUILLET_PLUGIN_EXPORT const char* GetMenuItemNameA(void) {
  return "Show as an image";
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetMenuItemNameW(void) {
  return kMenuTextW;
}

QUILLET_PLUGIN_EXPORT QuilletBool TestBLOB(BlobInfo* info) {
  lastError.clear();
  return Decode(info).isNull() ? 0 : 1;
}

QUILLET_PLUGIN_EXPORT QuilletBool ShowBLOB(void* parent, uint32_t, BlobInfo* info) {
  lastError.clear();
  const QImage image = Decode(info);
  if (image.isNull()) {
    lastError = "The data is not a picture this viewer can read";
    return 0;
  }
  QDialog dialog(static_cast<QWidget*>(parent));
  dialog.setObjectName(QStringLiteral("imageViewerDialog"));
  dialog.setWindowTitle(
      QStringLiteral("Image viewer - %1 x %2 pixels").arg(image.width()).arg(image.height()));
  auto* picture = new PictureLabel(image, &dialog);
  auto* close = new QPushButton(QStringLiteral("&Close"), &dialog);
  close->setDefault(true);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(picture, 1);
  layout->addLayout(buttons);
  dialog.setSizeGripEnabled(true);
  dialog.resize(420, 400);
  dialog.exec();
  return 1;
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionA(PluginDescription* description) {
  viewer::Describe(description, "Image viewer",
                   "Shows a BLOB that holds a picture (PNG, JPEG, GIF, BMP, ...), scaled to fit");
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionW(PluginDescriptionW*) {}
