// Writes the demo database (demo.db) and a data link file for it (demo.udl) into a folder,
// unless they are there already. Usage: make_demo_db <folder>
//
// The data is made up but deterministic, and covers what a browser must show well: a table
// whose name holds a blank, NULLs, integers, reals, dates as text, short and long text (values
// of 100,000 characters), non-ASCII text, pictures and other blobs, views, an empty table, and
// tables of exactly 60, 100, 250 and 1,000,000 rows.

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "datasource/init_string.h"
#include "datasource/udl_file.h"
#include "demo_png.h"

namespace {

namespace fs = std::filesystem;
using quillet::tools::MakePng;
using quillet::tools::Rgb;

// A small generator of its own, so every build makes the same database.
class Random {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  int Between(int low, int high) { return low + static_cast<int>(Next() % (high - low + 1)); }

 private:
  std::uint64_t state_ = 20240229;
};

class Failure {
 public:
  explicit Failure(std::string text) : text(std::move(text)) {}
  std::string text;
};

class Database {
 public:
  explicit Database(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw Failure(sqlite3_errmsg(db_));
  }
  ~Database() { sqlite3_close(db_); }
  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      Failure failure(std::string(message != nullptr ? message : "?") + " in: " + sql);
      sqlite3_free(message);
      throw failure;
    }
  }
  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// One prepared INSERT, bound and stepped per row.
class Insert {
 public:
  Insert(Database& db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
      throw Failure(sqlite3_errmsg(db.handle()));
    }
  }
  ~Insert() { sqlite3_finalize(statement_); }

  Insert& Null() {
    sqlite3_bind_null(statement_, ++index_);
    return *this;
  }
  Insert& Int(std::int64_t v) {
    sqlite3_bind_int64(statement_, ++index_, v);
    return *this;
  }
  Insert& Real(double v) {
    sqlite3_bind_double(statement_, ++index_, v);
    return *this;
  }
  Insert& Text(const std::string& v) {
    sqlite3_bind_text(statement_, ++index_, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Insert& Blob(const std::string& v) {
    sqlite3_bind_blob(statement_, ++index_, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  void Run() {
    if (sqlite3_step(statement_) != SQLITE_DONE) throw Failure(sqlite3_errmsg(db_.handle()));
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    index_ = 0;
  }

 private:
  Database& db_;
  sqlite3_stmt* statement_ = nullptr;
  int index_ = 0;
};

std::string TwoDigits(int v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

std::string DateOf(int dayNumber) {
  // Days from 2023-01-01, with months of the real calendar of 2023 and 2024.
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 2023;
  int day = dayNumber;
  for (;;) {
    const bool leap = year % 4 == 0;
    const int length = leap ? 366 : 365;
    if (day < length) break;
    day -= length;
    ++year;
  }
  int month = 0;
  for (;; ++month) {
    const int length = kDays[month] + (month == 1 && year % 4 == 0 ? 1 : 0);
    if (day < length) break;
    day -= length;
  }
  return std::to_string(year) + "-" + TwoDigits(month + 1) + "-" + TwoDigits(day + 1);
}

std::string LongText(std::size_t characters, const std::string& piece) {
  std::string text;
  std::size_t count = 0;
  // Count characters, not bytes: a piece may hold multi-byte letters.
  while (count < characters) {
    for (std::size_t i = 0; i < piece.size() && count < characters;) {
      std::size_t n = 1;
      const auto lead = static_cast<unsigned char>(piece[i]);
      if (lead >= 0xF0)
        n = 4;
      else if (lead >= 0xE0)
        n = 3;
      else if (lead >= 0xC0)
        n = 2;
      text.append(piece, i, n);
      i += n;
      ++count;
    }
  }
  return text;
}

const char* const kFirstNames[] = {"Anna",   "Zoë",  "José", "Björn", "Ömer",  "Chloé",    "Łukasz",
                                   "Søren",  "Mika", "Yuki", "Priya", "Noah",  "Émile",    "Sofia",
                                   "Dmitri", "Aiko", "Lars", "Inès",  "Mateo", "Zhang Wei"};
const char* const kLastNames[] = {"Schmidt", "Kowalski", "García",    "Müller",  "Nováková",
                                  "O'Brien", "Dubois",   "Rossi",     "Tanaka",  "Jensen",
                                  "Silva",   "Novak",    "Andersson", "Ivanova", "Fernández"};
const char* const kCities[] = {"Łódź",   "東京",   "München", "São Paulo",   "Reykjavík",
                               "Zürich", "Kraków", "Malmö",   "Москва",      "Athína",
                               "Dublin", "Lyon",   "Québec",  "Cluj-Napoca", "Köln"};
const char* const kCountries[] = {"Poland",      "Japan",  "Germany", "Brazil",  "Iceland",
                                  "Switzerland", "Poland", "Sweden",  "Russia",  "Greece",
                                  "Ireland",     "France", "Canada",  "Romania", "Germany"};

void CreateSchema(Database& db) {
  db.Exec(R"sql(
CREATE TABLE customers (
  id INTEGER PRIMARY KEY, name VARCHAR(60) NOT NULL, city NVARCHAR(40), country VARCHAR(40),
  email VARCHAR(80), phone VARCHAR(24), joined DATE, balance REAL, vip BOOLEAN, notes TEXT);
CREATE TABLE products (
  id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(80) NOT NULL, category VARCHAR(40),
  price NUMERIC(10,2), stock INTEGER, added DATETIME, description TEXT, photo BLOB);
CREATE TABLE orders (
  id INTEGER PRIMARY KEY, customer_id INTEGER REFERENCES customers(id), order_date DATE,
  shipped DATETIME, status VARCHAR(20), total REAL, comment VARCHAR(1000));
CREATE TABLE "Order Details" (
  order_id INTEGER REFERENCES orders(id), product_id INTEGER REFERENCES products(id),
  quantity INTEGER, unit_price REAL, discount REAL, PRIMARY KEY (order_id, product_id));
CREATE TABLE events (
  id INTEGER PRIMARY KEY, happened DATETIME, level VARCHAR(8), source VARCHAR(16), value REAL);
CREATE TABLE returns (
  id INTEGER PRIMARY KEY, order_id INTEGER, reason VARCHAR(200), returned DATE);
CREATE TABLE pictures (
  id INTEGER PRIMARY KEY, title NVARCHAR(100), mime VARCHAR(40), width INTEGER, height INTEGER,
  image BLOB);
CREATE TABLE documents (
  id INTEGER PRIMARY KEY, title VARCHAR(120), language VARCHAR(20), body TEXT, raw);
CREATE TABLE all_types (
  id INTEGER PRIMARY KEY, int_value INTEGER, big_value BIGINT, real_value REAL,
  double_value DOUBLE PRECISION, money NUMERIC(12,2), flag BOOLEAN, day DATE, moment TIME,
  stamp DATETIME, code CHAR(8), short_text VARCHAR(300), wide_text VARCHAR(1000),
  nshort NVARCHAR(200), nlong NVARCHAR(300), long_text TEXT, data BLOB, bytes VARBINARY(16),
  anything);
CREATE VIEW customer_orders AS
  SELECT c.id AS customer_id, c.name, c.city, count(o.id) AS orders, round(sum(o.total), 2) AS spent
  FROM customers c LEFT JOIN orders o ON o.customer_id = c.id GROUP BY c.id;
CREATE VIEW open_orders AS
  SELECT o.id, o.order_date, c.name AS customer, o.total
  FROM orders o JOIN customers c ON c.id = o.customer_id WHERE o.shipped IS NULL;
CREATE VIEW "Product Sales" AS
  SELECT p.name AS product, sum(d.quantity) AS units, round(sum(d.quantity * d.unit_price * (1 - d.discount)), 2) AS revenue
  FROM "Order Details" d JOIN products p ON p.id = d.product_id GROUP BY p.id;
CREATE INDEX orders_by_customer ON orders(customer_id);
)sql");
}

void FillCustomers(Database& db, Random& random) {
  Insert insert(db, "INSERT INTO customers VALUES (?,?,?,?,?,?,?,?,?,?)");
  for (int id = 1; id <= 60; ++id) {
    const std::string first = kFirstNames[random.Next() % std::size(kFirstNames)];
    const std::string last = kLastNames[random.Next() % std::size(kLastNames)];
    const std::size_t place = random.Next() % std::size(kCities);
    insert.Int(id).Text(first + " " + last).Text(kCities[place]).Text(kCountries[place]);
    if (id % 7 == 0) {
      insert.Null();
    } else {
      std::string mail = "customer" + std::to_string(id) + "@example.org";
      insert.Text(mail);
    }
    if (id % 5 == 0) {
      insert.Null();
    } else {
      insert.Text("+48 " + std::to_string(random.Between(100, 999)) + " " +
                  std::to_string(random.Between(100, 999)) + " " +
                  std::to_string(random.Between(100, 999)));
    }
    insert.Text(DateOf(random.Between(0, 700))).Real(random.Between(-5000, 250000) / 100.0);
    insert.Int(id % 9 == 0 ? 1 : 0);
    if (id == 1) {
      insert.Text("Prefers deliveries before noon. 🚚📦 Speaks Polish and Japanese (日本語).");
    } else if (id == 2) {
      insert.Text(LongText(100000, "Zoë from Łódź visits 東京 every spring 🌸. "));
    } else if (id % 3 == 0) {
      insert.Text("Regular customer since " + DateOf(random.Between(0, 365)) + ".");
    } else {
      insert.Null();
    }
    insert.Run();
  }
}

void FillProducts(Database& db, Random& random) {
  const char* const kWords[] = {"Lamp",     "Chair", "Kettle", "Notebook", "Teapot",
                                "Backpack", "Clock", "Mug",    "Scarf",    "Blanket"};
  const char* const kKinds[] = {"Oak", "Steel", "Linen", "Ceramic", "Glass"};
  const char* const kCategories[] = {"Home", "Kitchen", "Office", "Travel", "Garden"};
  Insert insert(db, "INSERT INTO products VALUES (?,?,?,?,?,?,?,?)");
  for (int id = 1; id <= 100; ++id) {
    insert.Int(id)
        .Text(std::string(kKinds[id % 5]) + " " + kWords[(id / 5) % 10] + " #" + std::to_string(id))
        .Text(kCategories[random.Next() % 5])
        .Real(random.Between(199, 49999) / 100.0)
        .Int(random.Between(0, 500));
    insert.Text(DateOf(random.Between(0, 600)) + " " + TwoDigits(random.Between(8, 18)) + ":" +
                TwoDigits(random.Between(0, 59)) + ":00");
    if (id == 1) {
      insert.Text(LongText(100000, "A very long product description, line after line. "));
    } else if (id % 4 == 0) {
      insert.Null();
    } else {
      insert.Text("Hand made. Colour " + std::to_string(id % 12) + ", weight " +
                  std::to_string(random.Between(1, 40) * 50) + " g.");
    }
    if (id % 10 == 1) {
      const std::uint8_t hue = static_cast<std::uint8_t>(id * 20);
      insert.Blob(MakePng(8, 8, [hue](std::uint32_t x, std::uint32_t y) {
        return (x + y) % 2 == 0 ? Rgb{hue, 40, 200} : Rgb{250, 250, 250};
      }));
    } else {
      insert.Null();
    }
    insert.Run();
  }
}

void FillOrders(Database& db, Random& random) {
  const char* const kStatus[] = {"new", "paid", "shipped", "delivered", "cancelled"};
  Insert orders(db, "INSERT INTO orders VALUES (?,?,?,?,?,?,?)");
  Insert details(db, "INSERT INTO \"Order Details\" VALUES (?,?,?,?,?)");
  for (int id = 1; id <= 250; ++id) {
    const int day = random.Between(0, 700);
    const int status = random.Between(0, 4);
    orders.Int(id).Int(random.Between(1, 60)).Text(DateOf(day));
    if (status >= 2) {
      orders.Text(DateOf(day + random.Between(1, 9)) + " " + TwoDigits(random.Between(7, 20)) +
                  ":" + TwoDigits(random.Between(0, 59)) + ":00");
    } else {
      orders.Null();
    }
    orders.Text(kStatus[status]).Real(random.Between(500, 300000) / 100.0);
    if (id % 50 == 0) {
      orders.Text(LongText(900, "Gift wrap, please; call before delivery. "));
    } else if (id % 11 == 0) {
      orders.Text("Leave at the door.");
    } else {
      orders.Null();
    }
    orders.Run();

    const int lines = random.Between(1, 4);
    int product = random.Between(1, 90);
    for (int line = 0; line < lines; ++line) {
      product += random.Between(1, 3);
      details.Int(id)
          .Int(product)
          .Int(random.Between(1, 12))
          .Real(random.Between(199, 49999) / 100.0);
      details.Real(random.Between(0, 3) * 0.05).Run();
    }
  }
}

void FillPicturesAndDocuments(Database& db) {
  Insert pictures(db, "INSERT INTO pictures VALUES (?,?,?,?,?,?)");
  pictures.Int(1).Text("Checkerboard").Text("image/png").Int(8).Int(8);
  pictures.Blob(MakePng(8, 8, [](std::uint32_t x, std::uint32_t y) {
    return (x + y) % 2 == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  }));
  pictures.Run();
  pictures.Int(2).Text("Sunset gradient 🌅").Text("image/png").Int(16).Int(16);
  pictures.Blob(MakePng(16, 16, [](std::uint32_t x, std::uint32_t y) {
    return Rgb{static_cast<std::uint8_t>(255 - y * 8), static_cast<std::uint8_t>(x * 12),
               static_cast<std::uint8_t>(80 + y * 10)};
  }));
  pictures.Run();
  pictures.Int(3).Text("Not a picture").Text("application/octet-stream").Null().Null();
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  pictures.Blob(bytes).Run();
  pictures.Int(4).Text("Empty").Text("application/octet-stream").Int(0).Int(0).Blob("").Run();
  pictures.Int(5).Text("Missing").Null().Null().Null().Null().Run();

  Insert documents(db, "INSERT INTO documents VALUES (?,?,?,?,?)");
  documents.Int(1).Text("Short note").Text("English").Text("Remember the milk.").Null().Run();
  documents.Int(2).Text("Long report").Text("English");
  documents.Text(LongText(100000, "The quarterly figures were fine. ")).Null().Run();
  documents.Int(3).Text("Długi list z Łodzi").Text("Polski");
  documents.Text(LongText(100000, "Zażółć gęślą jaźń. ")).Blob("\x01\x02\x03").Run();
  documents.Int(4).Text("東京の手紙").Text("日本語");
  documents.Text(LongText(2000, "東京は今日も晴れです。")).Int(42).Run();
  documents.Int(5)
      .Text("Emoji diary")
      .Text("—")
      .Text("😀🎉🚀 " + LongText(600, "🙂"))
      .Text("text in an untyped column")
      .Run();
  documents.Int(6).Text("Empty").Null().Text("").Null().Run();
}

void FillAllTypes(Database& db) {
  Insert insert(db, "INSERT INTO all_types VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  insert.Int(1).Int(42).Int(9007199254740993).Real(3.25).Real(0.1).Real(1234.5).Int(1);
  insert.Text("2024-02-29").Text("13:45:00").Text("2024-02-29 13:45:00").Text("ABC");
  insert.Text(LongText(300, "short ")).Text(LongText(1000, "wide text ")).Text("Zoë in Łódź");
  insert.Text(LongText(300, "東京"))
      .Text(LongText(100000, "long text "))
      .Blob(MakePng(8, 8, [](std::uint32_t x, std::uint32_t) {
        return Rgb{static_cast<std::uint8_t>(x * 30), 100, 100};
      }));
  insert.Blob(std::string("\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB\xCC\xDD\xEE\xFF", 16));
  insert.Text("untyped").Run();
  insert.Int(2).Int(-7).Int(-9223372036854775807 - 1).Real(-1e300).Real(2.5e-10).Real(0).Int(0);
  insert.Text("1999-12-31").Text("00:00:01").Text("1999-12-31 23:59:59").Text("Łódź");
  insert.Text("Zoë")
      .Text("東京")
      .Text("🙂🙃")
      .Text("x")
      .Text("short in a long column")
      .Blob("");
  insert.Blob("\x01").Int(7).Run();
  insert.Int(3);
  for (int i = 0; i < 18; ++i) insert.Null();
  insert.Run();
}

void FillEvents(Database& db) {
  // A million rows through one statement inside the engine: quick, and the table stays simple.
  db.Exec(R"sql(
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
INSERT INTO events (id, happened, level, source, value)
SELECT i,
       datetime('2024-01-01', '+' || (i * 7) || ' seconds'),
       CASE i % 10 WHEN 0 THEN 'warning' WHEN 7 THEN 'error' ELSE 'info' END,
       CASE i % 3 WHEN 0 THEN 'sensor-a' WHEN 1 THEN 'sensor-b' ELSE 'gateway' END,
       CASE WHEN i % 97 = 0 THEN NULL ELSE round((i % 1000) * 0.125 - 20, 3) END
FROM n;
)sql");
}

void MakeDatabase(const fs::path& path) {
  fs::remove(path);
  Database db(path.string());
  db.Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;");
  Random random;
  CreateSchema(db);
  FillCustomers(db, random);
  FillProducts(db, random);
  FillOrders(db, random);
  FillPicturesAndDocuments(db);
  FillAllTypes(db);
  FillEvents(db);
  db.Exec("COMMIT; ANALYZE;");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_db <folder>\n");
    return 2;
  }
  try {
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    const fs::path database = folder / "demo.db";
    const fs::path link = folder / "demo.udl";
    if (!fs::exists(database)) {
      // Built beside its final name and renamed, so an interrupted run never leaves a database
      // that looks complete.
      const fs::path partial = folder / "demo.db.partial";
      MakeDatabase(partial);
      fs::rename(partial, database);
      std::printf("wrote %s\n", database.string().c_str());
    }
    if (!fs::exists(link)) {
      std::string error;
      const std::string initString =
          "Provider=SQLite;Data Source=" +
          quillet::db::QuoteInitValue(fs::absolute(database).lexically_normal().string()) + ";";
      if (!quillet::db::WriteDataLinkFile(link.string(), initString, &error)) throw Failure(error);
      std::printf("wrote %s\n", link.string().c_str());
    }
  } catch (const Failure& failure) {
    std::fprintf(stderr, "make_demo_db: %s\n", failure.text.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo_db: %s\n", e.what());
    return 1;
  }
  return 0;
}
