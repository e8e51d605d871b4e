#include "app_test_support.h"

#include <sqlite3.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

namespace q9::app::test {

namespace {

struct Database {
    explicit Database(const std::string& path) {
        if (sqlite3_open(path.c_str(), &handle) != SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
    }
    ~Database() { sqlite3_close(handle); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* handle = nullptr;
};

struct Statement {
    Statement(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &handle, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db)) + ": " + sql);
    }
    ~Statement() { sqlite3_finalize(handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* handle = nullptr;
};

}  // namespace

TempAccount::TempAccount(const DemoAccountOptions& options)
    : path_(directory_.filePath(QStringLiteral("account.db")).toStdString()) {
    CreateDemoAccount(path_, options);
}

void TempAccount::Exec(const std::string& sql) const {
    Database db(path_);
    char* message = nullptr;
    if (sqlite3_exec(db.handle, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(text + ": " + sql);
    }
}

int64_t TempAccount::Count(const std::string& sql) const {
    Database db(path_);
    Statement statement(db.handle, sql);
    if (sqlite3_step(statement.handle) != SQLITE_ROW) return -1;
    return sqlite3_column_int64(statement.handle, 0);
}

std::vector<std::string> TempAccount::Columns(const std::string& table) const {
    Database db(path_);
    Statement statement(db.handle, "PRAGMA table_info(" + table + ")");
    std::vector<std::string> columns;
    while (sqlite3_step(statement.handle) == SQLITE_ROW) {
        columns.emplace_back(
            reinterpret_cast<const char*>(sqlite3_column_text(statement.handle, 1)));
    }
    return columns;
}

WindowUnderTest::WindowUnderTest(const TempAccount& account)
    : WindowUnderTest(
          [&] {
              LoginOptions options;
              options.databaseUrl = account.Url();
              options.userName = "tester";
              return options;
          }(),
          Doubles{}) {}

WindowUnderTest::WindowUnderTest(LoginOptions options, Doubles scripted)
    : doubles(std::move(scripted)) {
    ForgetSharedSession();
    window = std::make_unique<MainWindow>(std::move(options), doubles.Take());
}

std::unique_ptr<WindowUnderTest> WindowReadyToConvert(const TempAccount& account,
                                                      GridDisplay grid) {
    Doubles doubles;
    doubles.services.pump.reset();  // the window's own
    if (grid == GridDisplay::Window) {
        doubles.services.displays.reset();
        doubles.displays = nullptr;
    }
    doubles.prompter->answer = MessageAnswer::Yes;
    const std::string workbook = account.Folder() + "/po.xls";
    doubles.files->savePath = workbook;
    LoginOptions options;
    options.databaseUrl = account.Url();
    auto t = std::make_unique<WindowUnderTest>(options, std::move(doubles));
    t->window->show();
    QTest::mouseClick(t->Find<QPushButton>("cmdPO"), Qt::LeftButton);
    t->Find<QLineEdit>("txtPOFile")->setText(QString::fromStdString(workbook));
    ClickIndicator(t->Find<QCheckBox>("Chk17"));
    return t;
}

void ForgetSharedSession() {
    SharedPropertyStore::Instance().Clear();
}

void ClickIndicator(QWidget* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

}  // namespace q9::app::test
