#pragma once
// "Data Link Properties": the user composes an initialization string by choosing a provider,
// filling its connection fields (or every key on the "All" page) and may test it before OK.

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "datasource/init_string.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTableWidget;

namespace quillet::ui {

class DataLinkDialog : public QDialog {
  Q_OBJECT
 public:
  enum Page { kProviderPage = 0, kConnectionPage = 1, kAllPage = 2 };

  DataLinkDialog(QWidget* parent, const std::string& initString);
  // A test still running is left to end on its own and is waited for before the program ends.
  ~DataLinkDialog() override;

  // The string the dialog holds now (the fields of the page being shown included).
  std::string InitString();

  // Opens the string's data source and a session. Empty on success, else the one-line reason.
  // Blocks; the dialog runs it on a thread of its own.
  static std::string TestInitString(const std::string& initString);

  QTabWidget* Tabs() const { return tabs_; }
  QListWidget* Providers() const { return providers_; }
  QLineEdit* SqliteFile() const { return sqliteFile_; }
  QTableWidget* AllTable() const { return allTable_; }
  QPushButton* TestButton() const { return testButton_; }
  QLabel* TestResult() const { return testResult_; }

  // Runs the test as the button does and waits for it (tests); returns the shown result.
  QString RunTestAndWait(int timeoutMs = 30000);

 signals:
  void testFinished(const QString& result);

 private:
  QWidget* BuildProviderPage();
  QWidget* BuildConnectionPage();
  QWidget* BuildSqlitePage();
  QWidget* BuildOdbcPage();
  QWidget* BuildGenericPage();
  QWidget* BuildAllPage();

  // The provider name an item of the provider list stands for, and the item of a name.
  std::string SelectedProvider() const;
  void SelectProvider(const std::string& name);
  bool IsOdbc(const std::string& provider) const;
  bool IsSqlite(const std::string& provider) const;

  // Moves the values between the shown page and the properties.
  void SavePage(int page);
  void LoadPage(int page);
  void FieldsToProperties();
  void PropertiesToFields();
  void TableToProperties();
  void PropertiesToTable();

  void OnTabChanged(int index);
  void OnProviderChanged();
  void OnOdbcModeChanged();
  void ChooseSqliteFile();
  void RefreshOdbcLists();
  void StartTest();

  db::InitProperties properties_;
  int shownPage_ = kProviderPage;

  QTabWidget* tabs_ = nullptr;
  QListWidget* providers_ = nullptr;
  QStackedWidget* connectionStack_ = nullptr;
  QWidget* sqlitePage_ = nullptr;
  QWidget* odbcPage_ = nullptr;
  QWidget* genericPage_ = nullptr;
  QLineEdit* sqliteFile_ = nullptr;
  QRadioButton* odbcUseDsn_ = nullptr;
  QRadioButton* odbcUseDriver_ = nullptr;
  QComboBox* odbcDsn_ = nullptr;
  QComboBox* odbcDriver_ = nullptr;
  QLineEdit* odbcServer_ = nullptr;
  QSpinBox* odbcPort_ = nullptr;
  QLineEdit* odbcDatabase_ = nullptr;
  QLineEdit* userName_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* genericSource_ = nullptr;
  QTableWidget* allTable_ = nullptr;
  QPushButton* testButton_ = nullptr;
  QLabel* testResult_ = nullptr;
  bool testRunning_ = false;
  std::thread testThread_;
};

// Shows the dialog modally: the composed string after OK, nothing after Cancel. Tests replace
// the dialog with a handler that answers at once.
using DataLinkDialogHandler =
    std::function<std::optional<std::string>(const std::string& initString)>;
void SetDataLinkDialogHandler(DataLinkDialogHandler handler);
std::optional<std::string> RunDataLinkDialog(QWidget* parent, const std::string& initString);

}  // namespace quillet::ui
