#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "host/db/demo_account.h"
#include "main_window.h"
#include "test_doubles.h"

namespace q9::app::test {

// A fresh embedded account in a temporary folder, read and changed with sqlite3 directly so that
// the checks do not depend on the engine under test.
class TempAccount {
  public:
    explicit TempAccount(const DemoAccountOptions& options = {});

    std::string Path() const { return path_; }
    std::string Url() const { return "sqlite:" + path_; }
    std::string Folder() const { return directory_.path().toStdString(); }

    void Exec(const std::string& sql) const;
    int64_t Count(const std::string& sql) const;  // the first column of the first row
    std::vector<std::string> Columns(const std::string& table) const;

  private:
    QTemporaryDir directory_;
    std::string path_;
};

// A window on `account` with doubles for every service; login by --db unless `loginOptions`
// says otherwise.
struct WindowUnderTest {
    explicit WindowUnderTest(const TempAccount& account);
    WindowUnderTest(LoginOptions options, Doubles doubles);

    template <typename Widget>
    Widget* Find(const char* name) const {
        return window->findChild<Widget*>(QString::fromUtf8(name));
    }

    Doubles doubles;
    std::unique_ptr<MainWindow> window;
};

// Whether the window shows its grid in its own dialog or into the recording double.
enum class GridDisplay { Recorded, Window };

// A shown window on `account` with the window's own progress pump, its purchase orders exported
// to po.xls in the account's folder and that workbook named in the path box, Chk17 ticked: a
// click on cmdFix converts them. Questions are answered Yes.
std::unique_ptr<WindowUnderTest> WindowReadyToConvert(const TempAccount& account,
                                                      GridDisplay grid = GridDisplay::Recorded);

// Clears the session shared under this process id, so that each window logs in anew.
void ForgetSharedSession();

// Clicks a check box on its indicator (a click in its middle does nothing).
void ClickIndicator(QWidget* box);

}  // namespace q9::app::test
