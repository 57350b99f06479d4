#include "datasource/ui/data_link_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "datasource/error_text.h"
#include "datasource/open_ops.h"
#include "datasource/provider_registry.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "datasource/text_convert.h"
#include "datasource/ui/odbc_catalog.h"
#include "resources/ui/dialog_hooks.h"

namespace quillet::ui {
namespace {

// Connection tests that outlived their dialog (a server that takes its login timeout to answer).
// They are joined before the program ends: at the application's quit, or at the latest when
// this object goes.
class UnfinishedTests {
 public:
  static UnfinishedTests& Instance() {
    static UnfinishedTests tests;
    return tests;
  }
  ~UnfinishedTests() { JoinAll(); }
  UnfinishedTests(const UnfinishedTests&) = delete;
  UnfinishedTests& operator=(const UnfinishedTests&) = delete;

  void Adopt(std::thread thread) {
    std::lock_guard lock(mutex_);
    if (!watchingQuit_ && qApp != nullptr) {
      watchingQuit_ = true;
      QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { Instance().JoinAll(); });
    }
    threads_.push_back(std::move(thread));
  }

  void JoinAll() {
    std::vector<std::thread> threads;
    {
      std::lock_guard lock(mutex_);
      threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
  }

 private:
  UnfinishedTests() = default;
  std::mutex mutex_;
  std::vector<std::thread> threads_;
  bool watchingQuit_ = false;
};

constexpr const char* kKeyProvider = "Provider";
constexpr const char* kKeyDataSource = "Data Source";
constexpr const char* kKeyUser = "User ID";
constexpr const char* kKeyPassword = "Password";
constexpr const char* kKeyExtended = "Extended Properties";
constexpr const char* kOdbcProvider = "MSDASQL";
constexpr int kProviderRole = Qt::UserRole + 1;

const QString kDialogTitle = QStringLiteral("Data Link Properties");

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

QString ProviderDescription(const std::string& name) {
  if (db::InitKeyEquals(name, "SQLite")) return QStringLiteral("SQLite database file");
  if (db::InitKeyEquals(name, "MSDASQL") || db::InitKeyEquals(name, "ODBC"))
    return QStringLiteral("ODBC data source or driver (unixODBC)");
  return Q(name);
}

DataLinkDialogHandler& CurrentHandler() {
  static DataLinkDialogHandler handler;
  return handler;
}

void SetOrRemove(db::InitProperties& properties, const char* key, const std::string& value) {
  if (value.empty())
    properties.Remove(key);
  else
    properties.Set(key, value);
}

}  // namespace

DataLinkDialog::DataLinkDialog(QWidget* parent, const std::string& initString) : QDialog(parent) {
  setWindowTitle(kDialogTitle);
  std::string error;
  if (auto parsed = db::InitProperties::Parse(initString, &error)) properties_ = std::move(*parsed);
  if (!properties_.Get(kKeyProvider))
    properties_.Set(kKeyProvider, std::string(db::kDefaultProvider));

  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildProviderPage(), QStringLiteral("Provider"));
  tabs_->addTab(BuildConnectionPage(), QStringLiteral("Connection"));
  tabs_->addTab(BuildAllPage(), QStringLiteral("All"));

  testButton_ = new QPushButton(QStringLiteral("&Test Connection"), this);
  testResult_ = new QLabel(this);
  testResult_->setWordWrap(true);
  testResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(testButton_, &QPushButton::clicked, this, &DataLinkDialog::StartTest);

  auto* testRow = new QHBoxLayout;
  testRow->addWidget(testResult_, 1);
  testRow->addWidget(testButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(testRow);
  layout->addWidget(buttons);

  LoadPage(kProviderPage);
  LoadPage(kConnectionPage);
  // A string that already names its provider opens at its connection fields.
  shownPage_ = initString.empty() ? kProviderPage : kConnectionPage;
  tabs_->setCurrentIndex(shownPage_);
  connect(tabs_, &QTabWidget::currentChanged, this, &DataLinkDialog::OnTabChanged);
  resize(470, 500);
}

QWidget* DataLinkDialog::BuildProviderPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("Select the data you want to connect to:"), page));
  providers_ = new QListWidget(page);
  // One item per factory: "MSDASQL" and "ODBC" are the same provider.
  bool odbcListed = false;
  for (const std::string& name : db::ProviderNames()) {
    std::string shown = name;
    if (IsOdbc(name)) {
      if (odbcListed) continue;
      odbcListed = true;
      shown = kOdbcProvider;
    }
    auto* item = new QListWidgetItem(ProviderDescription(shown), providers_);
    item->setData(kProviderRole, Q(shown));
    item->setToolTip(QStringLiteral("Provider=") + Q(shown));
  }
  layout->addWidget(providers_, 1);
  auto* next = new QPushButton(QStringLiteral("&Next >>"), page);
  auto* nextRow = new QHBoxLayout;
  nextRow->addStretch(1);
  nextRow->addWidget(next);
  layout->addLayout(nextRow);
  connect(next, &QPushButton::clicked, this, [this] { tabs_->setCurrentIndex(kConnectionPage); });
  connect(providers_, &QListWidget::currentRowChanged, this, &DataLinkDialog::OnProviderChanged);
  connect(providers_, &QListWidget::itemDoubleClicked, this,
          [this] { tabs_->setCurrentIndex(kConnectionPage); });
  return page;
}

QWidget* DataLinkDialog::BuildConnectionPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  connectionStack_ = new QStackedWidget(page);
  sqlitePage_ = BuildSqlitePage();
  odbcPage_ = BuildOdbcPage();
  genericPage_ = BuildGenericPage();
  connectionStack_->addWidget(sqlitePage_);
  connectionStack_->addWidget(odbcPage_);
  connectionStack_->addWidget(genericPage_);
  layout->addWidget(connectionStack_, 1);
  return page;
}

QWidget* DataLinkDialog::BuildSqlitePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(
      new QLabel(QStringLiteral("Specify the following to connect to SQLite data:"), page));
  auto* box = new QGroupBox(QStringLiteral("1. Select or enter a database file:"), page);
  auto* row = new QHBoxLayout(box);
  sqliteFile_ = new QLineEdit(box);
  sqliteFile_->setPlaceholderText(QStringLiteral("/path/to/database.db"));
  auto* browse = new QToolButton(box);
  browse->setText(QStringLiteral("..."));
  browse->setToolTip(QStringLiteral("Choose a database file"));
  row->addWidget(sqliteFile_, 1);
  row->addWidget(browse);
  connect(browse, &QToolButton::clicked, this, &DataLinkDialog::ChooseSqliteFile);
  layout->addWidget(box);
  auto* note = new QLabel(
      QStringLiteral("The file is opened read-only: Quillet never changes the data it shows."),
      page);
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addStretch(1);
  return page;
}

QWidget* DataLinkDialog::BuildOdbcPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(
      new QLabel(QStringLiteral("Specify the following to connect to ODBC data:"), page));

  auto* sourceBox = new QGroupBox(QStringLiteral("1. Specify the source of data:"), page);
  auto* sourceLayout = new QGridLayout(sourceBox);
  odbcUseDsn_ = new QRadioButton(QStringLiteral("Use &data source name"), sourceBox);
  odbcDsn_ = new QComboBox(sourceBox);
  odbcDsn_->setEditable(true);
  auto* refresh = new QPushButton(QStringLiteral("&Refresh"), sourceBox);
  odbcUseDriver_ = new QRadioButton(QStringLiteral("Use a dri&ver"), sourceBox);
  odbcDriver_ = new QComboBox(sourceBox);
  odbcDriver_->setEditable(true);
  odbcServer_ = new QLineEdit(sourceBox);
  odbcServer_->setPlaceholderText(QStringLiteral("localhost"));
  odbcPort_ = new QSpinBox(sourceBox);
  odbcPort_->setRange(0, 65535);
  odbcPort_->setSpecialValueText(QStringLiteral("default"));
  odbcDatabase_ = new QLineEdit(sourceBox);
  sourceLayout->addWidget(odbcUseDsn_, 0, 0, 1, 3);
  sourceLayout->addWidget(odbcDsn_, 1, 1);
  sourceLayout->addWidget(refresh, 1, 2);
  sourceLayout->addWidget(odbcUseDriver_, 2, 0, 1, 3);
  sourceLayout->addWidget(new QLabel(QStringLiteral("Driver:"), sourceBox), 3, 0);
  sourceLayout->addWidget(odbcDriver_, 3, 1, 1, 2);
  sourceLayout->addWidget(new QLabel(QStringLiteral("Server:"), sourceBox), 4, 0);
  sourceLayout->addWidget(odbcServer_, 4, 1, 1, 2);
  sourceLayout->addWidget(new QLabel(QStringLiteral("Port:"), sourceBox), 5, 0);
  sourceLayout->addWidget(odbcPort_, 5, 1, 1, 2);
  sourceLayout->addWidget(new QLabel(QStringLiteral("Database:"), sourceBox), 6, 0);
  sourceLayout->addWidget(odbcDatabase_, 6, 1, 1, 2);
  sourceLayout->setColumnMinimumWidth(0, 70);
  sourceLayout->setColumnStretch(1, 1);
  layout->addWidget(sourceBox);

  auto* logonBox =
      new QGroupBox(QStringLiteral("2. Enter information to log on to the server:"), page);
  auto* logon = new QFormLayout(logonBox);
  userName_ = new QLineEdit(logonBox);
  password_ = new QLineEdit(logonBox);
  password_->setEchoMode(QLineEdit::Password);
  logon->addRow(QStringLiteral("&User name:"), userName_);
  logon->addRow(QStringLiteral("&Password:"), password_);
  layout->addWidget(logonBox);
  layout->addStretch(1);

  connect(odbcUseDsn_, &QRadioButton::toggled, this, &DataLinkDialog::OnOdbcModeChanged);
  connect(refresh, &QPushButton::clicked, this, &DataLinkDialog::RefreshOdbcLists);
  RefreshOdbcLists();
  odbcUseDsn_->setChecked(true);
  OnOdbcModeChanged();
  return page;
}

QWidget* DataLinkDialog::BuildGenericPage() {
  auto* page = new QWidget;
  auto* layout = new QFormLayout(page);
  genericSource_ = new QLineEdit(page);
  layout->addRow(QStringLiteral("Data source:"), genericSource_);
  auto* note = new QLabel(
      QStringLiteral("Other properties of this provider are set on the \"All\" page."), page);
  note->setWordWrap(true);
  layout->addRow(note);
  return page;
}

QWidget* DataLinkDialog::BuildAllPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* note =
      new QLabel(QStringLiteral("These are the initialization properties. To change a value, "
                                "edit it; type a new name in the last row to add one."),
                 page);
  note->setWordWrap(true);
  layout->addWidget(note);
  allTable_ = new QTableWidget(0, 2, page);
  allTable_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
  allTable_->horizontalHeader()->setStretchLastSection(true);
  allTable_->horizontalHeader()->setSectionsClickable(false);
  allTable_->verticalHeader()->hide();
  allTable_->setColumnWidth(0, 160);
  layout->addWidget(allTable_, 1);
  connect(allTable_, &QTableWidget::cellChanged, this, [this](int row, int) {
    // Keep one empty row at the end for a new property.
    if (row == allTable_->rowCount() - 1 && allTable_->item(row, 0) != nullptr &&
        !allTable_->item(row, 0)->text().trimmed().isEmpty())
      allTable_->insertRow(allTable_->rowCount());
  });
  return page;
}

bool DataLinkDialog::IsOdbc(const std::string& provider) const {
  return db::InitKeyEquals(provider, "MSDASQL") || db::InitKeyEquals(provider, "ODBC");
}

bool DataLinkDialog::IsSqlite(const std::string& provider) const {
  return db::InitKeyEquals(provider, "SQLite");
}

std::string DataLinkDialog::SelectedProvider() const {
  const QListWidgetItem* item = providers_->currentItem();
  return item != nullptr ? S(item->data(kProviderRole).toString())
                         : std::string(db::kDefaultProvider);
}

void DataLinkDialog::SelectProvider(const std::string& name) {
  for (int i = 0; i < providers_->count(); ++i) {
    const std::string itemName = S(providers_->item(i)->data(kProviderRole).toString());
    if (db::InitKeyEquals(itemName, name) || (IsOdbc(itemName) && IsOdbc(name))) {
      providers_->setCurrentRow(i);
      return;
    }
  }
  // A provider this program does not know is kept, so OK does not change it.
  auto* item = new QListWidgetItem(ProviderDescription(name), providers_);
  item->setData(kProviderRole, Q(name));
  providers_->setCurrentItem(item);
}

void DataLinkDialog::OnProviderChanged() {
  const std::string provider = SelectedProvider();
  connectionStack_->setCurrentWidget(IsSqlite(provider) ? sqlitePage_
                                     : IsOdbc(provider) ? odbcPage_
                                                        : genericPage_);
}

void DataLinkDialog::OnOdbcModeChanged() {
  const bool dsn = odbcUseDsn_->isChecked();
  odbcDsn_->setEnabled(dsn);
  odbcDriver_->setEnabled(!dsn);
  odbcServer_->setEnabled(!dsn);
  odbcPort_->setEnabled(!dsn);
  odbcDatabase_->setEnabled(!dsn);
}

void DataLinkDialog::RefreshOdbcLists() {
  const QString dsn = odbcDsn_->currentText();
  const QString driver = odbcDriver_->currentText();
  odbcDsn_->clear();
  for (const auto& source : ListOdbcDataSources()) {
    odbcDsn_->addItem(Q(source.name));
    odbcDsn_->setItemData(odbcDsn_->count() - 1, Q(source.description), Qt::ToolTipRole);
  }
  odbcDriver_->clear();
  for (const auto& name : ListOdbcDrivers()) odbcDriver_->addItem(Q(name));
  odbcDsn_->setCurrentText(dsn);
  odbcDriver_->setCurrentText(driver);
}

void DataLinkDialog::ChooseSqliteFile() {
  FileRequest request;
  request.owner = this;
  request.title = QStringLiteral("Select SQLite Database");
  request.filter =
      QStringLiteral("SQLite databases (*.db *.sqlite *.sqlite3 *.db3);;All files (*)");
  const QString path = ChooseFile(request);
  if (!path.isEmpty()) sqliteFile_->setText(path);
}

void DataLinkDialog::FieldsToProperties() {
  const std::string provider = SelectedProvider();
  properties_.Set(kKeyProvider, provider);
  if (IsSqlite(provider)) {
    SetOrRemove(properties_, kKeyDataSource, S(sqliteFile_->text().trimmed()));
    return;
  }
  if (!IsOdbc(provider)) {
    SetOrRemove(properties_, kKeyDataSource, S(genericSource_->text().trimmed()));
    return;
  }
  SetOrRemove(properties_, kKeyUser, S(userName_->text()));
  SetOrRemove(properties_, kKeyPassword, S(password_->text()));
  if (odbcUseDsn_->isChecked()) {
    SetOrRemove(properties_, kKeyDataSource, S(odbcDsn_->currentText().trimmed()));
    properties_.Remove(kKeyExtended);
    return;
  }
  properties_.Remove(kKeyDataSource);
  db::odbc::OdbcAttributes attributes;
  if (auto extended = properties_.Get(kKeyExtended)) {
    if (auto parsed = db::odbc::OdbcAttributes::Parse(*extended)) attributes = std::move(*parsed);
  }
  attributes.Remove("DSN");
  const auto setAttribute = [&attributes](const char* key, const std::string& value) {
    if (value.empty())
      attributes.Remove(key);
    else
      attributes.Set(key, value);
  };
  setAttribute("DRIVER", S(odbcDriver_->currentText().trimmed()));
  setAttribute("SERVER", S(odbcServer_->text().trimmed()));
  setAttribute("PORT", odbcPort_->value() > 0 ? std::to_string(odbcPort_->value()) : std::string());
  setAttribute("DATABASE", S(odbcDatabase_->text().trimmed()));
  SetOrRemove(properties_, kKeyExtended, attributes.Compose());
}

void DataLinkDialog::PropertiesToFields() {
  const std::string provider = properties_.GetOr(kKeyProvider, db::kDefaultProvider);
  SelectProvider(provider);
  OnProviderChanged();
  const std::string source = properties_.GetOr(kKeyDataSource);
  sqliteFile_->setText(Q(source));
  genericSource_->setText(Q(source));
  userName_->setText(Q(properties_.GetOr(kKeyUser)));
  password_->setText(Q(properties_.GetOr(kKeyPassword)));
  db::odbc::OdbcAttributes attributes;
  if (auto extended = properties_.Get(kKeyExtended)) {
    if (auto parsed = db::odbc::OdbcAttributes::Parse(*extended)) attributes = std::move(*parsed);
  }
  const auto driver = attributes.Get("DRIVER");
  odbcDriver_->setCurrentText(Q(driver.value_or("")));
  odbcServer_->setText(Q(attributes.Get("SERVER").value_or("")));
  odbcPort_->setValue(std::atoi(attributes.Get("PORT").value_or("0").c_str()));
  odbcDatabase_->setText(Q(attributes.Get("DATABASE").value_or("")));
  const std::string dsn = source.empty() ? attributes.Get("DSN").value_or("") : source;
  odbcDsn_->setCurrentText(Q(dsn));
  const bool useDriver = driver.has_value() && source.empty();
  odbcUseDriver_->setChecked(useDriver);
  odbcUseDsn_->setChecked(!useDriver);
  OnOdbcModeChanged();
}

void DataLinkDialog::TableToProperties() {
  db::InitProperties table;
  for (int row = 0; row < allTable_->rowCount(); ++row) {
    const QTableWidgetItem* key = allTable_->item(row, 0);
    const QTableWidgetItem* value = allTable_->item(row, 1);
    if (key == nullptr || key->text().trimmed().isEmpty()) continue;
    table.Set(S(key->text().trimmed()), value != nullptr ? S(value->text()) : std::string());
  }
  properties_ = std::move(table);
}

void DataLinkDialog::PropertiesToTable() {
  const QSignalBlocker block(allTable_);
  allTable_->setRowCount(0);
  for (const auto& property : properties_.items()) {
    const int row = allTable_->rowCount();
    allTable_->insertRow(row);
    allTable_->setItem(row, 0, new QTableWidgetItem(Q(property.key)));
    allTable_->setItem(row, 1, new QTableWidgetItem(Q(property.value)));
  }
  allTable_->insertRow(allTable_->rowCount());
}

void DataLinkDialog::SavePage(int page) {
  switch (page) {
    case kProviderPage:
      properties_.Set(kKeyProvider, SelectedProvider());
      break;
    case kConnectionPage:
      FieldsToProperties();
      break;
    case kAllPage:
      TableToProperties();
      break;
    default:
      break;
  }
}

void DataLinkDialog::LoadPage(int page) {
  switch (page) {
    case kProviderPage:
      SelectProvider(properties_.GetOr(kKeyProvider, db::kDefaultProvider));
      break;
    case kConnectionPage:
      PropertiesToFields();
      break;
    case kAllPage:
      PropertiesToTable();
      break;
    default:
      break;
  }
}

void DataLinkDialog::OnTabChanged(int index) {
  SavePage(shownPage_);
  LoadPage(index);
  shownPage_ = index;
}

std::string DataLinkDialog::InitString() {
  SavePage(shownPage_);
  return properties_.Compose();
}

std::string DataLinkDialog::TestInitString(const std::string& initString) {
  std::shared_ptr<db::IDBInitialize> dataSource;
  db::HRESULT hr = db::OpenFromInitString(db::Utf8ToUtf16(initString), &dataSource);
  if (db::Succeeded(hr)) {
    std::shared_ptr<db::ISession> session;
    hr = db::OpenSession(dataSource, &session);
    if (db::Succeeded(hr)) return {};
  }
  std::string reason = db::ProviderErrorText(hr);
  if (reason.empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "error 0x%08X", static_cast<unsigned>(hr));
    reason = code;
  }
  return reason;
}

void DataLinkDialog::StartTest() {
  if (testRunning_) return;
  testRunning_ = true;
  testButton_->setEnabled(false);
  testResult_->setText(QStringLiteral("Testing the connection..."));
  const std::string initString = InitString();
  QPointer<DataLinkDialog> self(this);
  if (testThread_.joinable()) testThread_.join();  // the last test has reported already
  // A server that does not answer must not freeze the dialog: the test runs on its own thread
  // and reports back to this one (or to nobody, when the dialog has gone by then).
  testThread_ = std::thread([self, initString] {
    const std::string failure = TestInitString(initString);
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    QMetaObject::invokeMethod(
        app,
        [self, failure] {
          if (self.isNull()) return;
          self->testRunning_ = false;
          self->testButton_->setEnabled(true);
          const QString shown = failure.empty()
                                    ? QStringLiteral("Test connection succeeded.")
                                    : QStringLiteral("Test connection failed: ") + Q(failure);
          self->testResult_->setText(shown);
          ShowMessageBox(self, kDialogTitle, shown,
                         failure.empty() ? BoxIcon::kInformation : BoxIcon::kError);
          emit self->testFinished(shown);
        },
        Qt::QueuedConnection);
  });
}

DataLinkDialog::~DataLinkDialog() {
  if (!testThread_.joinable()) return;
  if (testRunning_)
    UnfinishedTests::Instance().Adopt(std::move(testThread_));
  else
    testThread_.join();
}

QString DataLinkDialog::RunTestAndWait(int timeoutMs) {
  QString result;
  QEventLoop loop;
  connect(this, &DataLinkDialog::testFinished, &loop, [&](const QString& shown) {
    result = shown;
    loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  StartTest();
  loop.exec();
  return result;
}

void SetDataLinkDialogHandler(DataLinkDialogHandler handler) {
  CurrentHandler() = std::move(handler);
}

std::optional<std::string> RunDataLinkDialog(QWidget* parent, const std::string& initString) {
  if (CurrentHandler()) return CurrentHandler()(initString);
  DataLinkDialog dialog(parent, initString);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.InitString();
}

}  // namespace quillet::ui
