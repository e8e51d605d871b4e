#pragma once

// What the core needs from a front end. The window implements these with Qt, the command line
// with stdout, options and the terminal; tests with doubles.

#include <cstdint>
#include <memory>
#include <string>

namespace q9 {

// Short notices ("引出成功"): a message box in the window, a line on stdout in the command line.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void ShowNotice(const std::string& message) = 0;
};

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Exclamation, Critical };
enum class MessageAnswer { Ok, Yes, No };

struct MessageBoxRequest {
    std::string text;
    std::string title;  // empty: the application's own title
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;
};

// The platform's standard message boxes, questions included.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual MessageAnswer Ask(const MessageBoxRequest& request) = 0;
};

// File dialogs. Both answer the empty text when the operator cancels.
class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // The workbooks the operator chose to read, as a path box holds them (host/path_list.h).
    virtual std::string ChooseOpenFile() = 0;
    // The full path the operator chose to save to.
    virtual std::string ChooseSavePath() = 0;
};

// Lets the front end breathe during long work.
class EventPump {
  public:
    virtual ~EventPump() = default;
    // Process pending window events once.
    virtual void ProcessEvents() = 0;
    // `kind` is the document kind text; rows count from 1, title row excluded.
    virtual void ReportProgress(const std::string& kind, int row, int count) = 0;
};

struct RunReport;  // jobs/run_report.h

// The result grid: titled columns, one row per added text split at "|".
class ResultDisplay {
  public:
    virtual ~ResultDisplay() = default;
    // What the grid of a one-click run may offer besides its rows; given before Show.
    virtual void SetReport(const RunReport& /*report*/) {}
    virtual void SetWidth(int16_t width) = 0;
    virtual void SetCols(int16_t cols) = 0;
    virtual void SetTitles(const std::string& titles) = 0;
    virtual void SetColWidth(int16_t column, int16_t width) = 0;
    virtual void Add(const std::string& text) = 0;
    virtual void Show(int16_t mode) = 0;
};

class ResultDisplayFactory {
  public:
    virtual ~ResultDisplayFactory() = default;
    // Throws HostError when no display can be created.
    virtual std::unique_ptr<ResultDisplay> CreateDisplay() = 0;
};

// Appends a line to the debug log. Throws HostError when the log cannot be written.
class DebugLog {
  public:
    virtual ~DebugLog() = default;
    virtual void Write(const std::string& message) = 0;
};

}  // namespace q9
