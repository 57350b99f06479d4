// Renders the application icon to PNG files at the sizes desktops look for.
// Usage: render_icon icon.svg out_folder size...   writes out_folder/<size>/quillet.png

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: render_icon icon.svg out_folder size...\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    if (size <= 0) return 2;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    const QString folder = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1").arg(size);
    if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/quillet.png"))) {
      std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
