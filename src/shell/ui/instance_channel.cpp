#include "shell/ui/instance_channel.h"

#include <QGuiApplication>
#include <QLocalSocket>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <memory>

#include "shell/single_instance.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"

namespace quillet::ui {
namespace {

// A client that has not sent a whole request by then is dropped.
constexpr int kRequestPatienceMs = 5000;

bool Tracing() {
  static const bool on = qEnvironmentVariableIsSet("QUILLET_INSTANCE_TRACE");
  return on;
}

void Trace(const char* step, const QString& text) {
  if (!Tracing()) return;
  std::fprintf(stdout, "%s %s\n", step, text.toLocal8Bit().constData());
  std::fflush(stdout);
}

// Qt's Wayland platform reads the token from the environment when a window asks for the focus.
class ActivationToken {
 public:
  explicit ActivationToken(const std::string& token) : set_(!token.empty()) {
    if (set_) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
  }
  ~ActivationToken() {
    // Spent or not, it must not reach the processes this one starts.
    if (set_) qunsetenv("XDG_ACTIVATION_TOKEN");
  }
  ActivationToken(const ActivationToken&) = delete;
  ActivationToken& operator=(const ActivationToken&) = delete;

 private:
  bool set_;
};

}  // namespace

void BringToFront(QWidget* window, const std::string& activationToken) {
  ActivationToken token(activationToken);
  window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window->show();
  window->raise();
  window->activateWindow();
}

InstanceChannel::InstanceChannel(FrameManager& manager, QObject* parent)
    : QObject(parent), manager_(manager) {
  connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::Accept);
  if (Tracing()) {
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [](QWindow* window) {
      if (window != nullptr) Trace("active", window->title());
    });
  }
}

bool InstanceChannel::Listen(const QString& socketPath) {
  QLocalServer::removeServer(socketPath);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(socketPath)) return false;
  Trace("serving", socketPath);
  return true;
}

void InstanceChannel::NoteFirstWindow() {
  if (firstNoted_ || manager_.Windows().empty()) return;
  first_ = manager_.Windows().front();
  firstNoted_ = true;
}

void InstanceChannel::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kRequestPatienceMs, socket, [socket] { socket->abort(); });
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
      received->append(socket->readAll());
      const auto request = shell::DecodeInstanceRequest(
          std::string_view(received->constData(), static_cast<std::size_t>(received->size())));
      if (!request) {
        if (received->size() > static_cast<qsizetype>(shell::kMaxInstanceRequest)) socket->abort();
        return;
      }
      received->clear();
      socket->write(shell::kInstanceReply.data(),
                    static_cast<qint64>(shell::kInstanceReply.size()));
      socket->disconnectFromServer();
      // Answered first: the later start may end while this one opens a window.
      QMetaObject::invokeMethod(
          this, [this, request = *request] { Handle(request); }, Qt::QueuedConnection);
    });
  }
}

void InstanceChannel::Handle(const shell::InstanceRequest& request) {
  using Kind = shell::InstanceRequest::Kind;
  if (request.kind == Kind::kRaise) {
    NoteFirstWindow();
    if (first_.isNull()) {
      Trace("raised", QStringLiteral("-"));
      return;
    }
    BringToFront(first_, request.activationToken);
    Trace("raised", first_->windowTitle());
    return;
  }
  ActivationToken token(request.activationToken);
  MainWindow* window = manager_.AddWindowOpening(request.text, request.kind == Kind::kOpenDataLink);
  Trace("opened", window != nullptr ? window->windowTitle() : QStringLiteral("-"));
}

}  // namespace quillet::ui
