// A sample viewer module: shows any cell as a hex dump (offset, sixteen bytes, their printable
// characters). It accepts every cell.

#include <QDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "quillet_plugin.h"
#include "viewer_support.h"

namespace {

// The dump shows at most this much; the label says when a value was longer.
constexpr qsizetype kMaxBytes = 4 * 1024 * 1024;

const QuilletWideChar kMenuTextW[] = {'S', 'h', 'o', 'w', ' ', 'a', 's', ' ', 'h', 'e', 'x', 0};
const QuilletWideChar kEmptyW[] = {0};

QString Dump(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size() / 16 * 78 + 80);
  static const char kHex[] = "0123456789ABCDEF";
  for (qsizetype line = 0; line < bytes.size(); line += 16) {
    text += QStringLiteral("%1  ").arg(line, 8, 16, QLatin1Char('0')).toUpper();
    QString chars;
    for (qsizetype i = line; i < line + 16; ++i) {
      if (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text += QLatin1Char(kHex[b >> 4]);
        text += QLatin1Char(kHex[b & 15]);
        chars += b >= 0x20 && b < 0x7F ? QLatin1Char(static_cast<char>(b)) : QLatin1Char('.');
      } else {
        text += QStringLiteral("  ");
      }
      text += i == line + 7 ? QStringLiteral("  ") : QStringLiteral(" ");
    }
    text += QLatin1Char(' ') + chars + QLatin1Char('\n');
  }
  return text;
}

}  // namespace

QUILLET_PLUGIN_EXPORT const char* GetLastErrorTextA(void) {
  return nullptr;
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetLastErrorTextW(void) {
  return kEmptyW;
}

QUILLET_PLUGIN_EXPORT const char* GetMenuItemNameA(void) {
  return "Show as hex";
}

QUILLET_PLUGIN_EXPORT const QuilletWideChar* GetMenuItemNameW(void) {
  return kMenuTextW;
}

QUILLET_PLUGIN_EXPORT QuilletBool ShowBLOB(void* parent, uint32_t, BlobInfo* info) {
  bool complete = true;
  const QByteArray bytes = viewer::ReadAll(info, kMaxBytes, &complete);
  QDialog dialog(static_cast<QWidget*>(parent));
  dialog.setObjectName(QStringLiteral("hexViewerDialog"));
  dialog.setWindowTitle(QStringLiteral("Hex viewer"));
  auto* summary = new QLabel(
      complete ? QStringLiteral("%1 bytes (type %2)").arg(bytes.size()).arg(info->type)
               : QStringLiteral("The first %1 bytes (type %2)").arg(bytes.size()).arg(info->type),
      &dialog);
  auto* dump = new QPlainTextEdit(&dialog);
  dump->setReadOnly(true);
  dump->setLineWrapMode(QPlainTextEdit::NoWrap);
  dump->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  dump->setPlainText(Dump(bytes));
  auto* close = new QPushButton(QStringLiteral("&Close"), &dialog);
  close->setDefault(true);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary, 1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(dump, 1);
  layout->addLayout(buttons);
  dialog.setSizeGripEnabled(true);
  dialog.resize(640, 400);
  dialog.exec();
  return 1;
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionA(PluginDescription* description) {
  viewer::Describe(description, "Hex viewer", "Shows any field as a hex dump");
}

QUILLET_PLUGIN_EXPORT void GetModuleDescriptionW(PluginDescriptionW*) {}
