#pragma once

// Doubles of the front end and of the account database for the conversion tests.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/db/database_engine.h"

namespace q9::testing_doubles {

class RecordingNotifier : public Notifier {
  public:
    void ShowNotice(const std::string& message) override { notices.push_back(message); }
    std::vector<std::string> notices;
};

class SilentPrompter : public Prompter {
  public:
    MessageAnswer Ask(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        return MessageAnswer::Ok;
    }
    std::vector<MessageBoxRequest> boxes;
};

class NoFiles : public FileChooser {
  public:
    std::string ChooseOpenFile() override { return {}; }
    std::string ChooseSavePath() override { return {}; }
};

class CountingPump : public EventPump {
  public:
    void ProcessEvents() override { ++processed; }
    void ReportProgress(const std::string& kind, int row, int count) override {
        progress.push_back(kind + " " + std::to_string(row) + "/" + std::to_string(count));
    }
    int processed = 0;
    std::vector<std::string> progress;
};

class MemoryLog : public DebugLog {
  public:
    void Write(const std::string& message) override { lines.push_back(message); }
    std::vector<std::string> lines;
};

class RecordingDisplay : public ResultDisplay {
  public:
    void SetWidth(int16_t) override {}
    void SetCols(int16_t) override {}
    void SetTitles(const std::string&) override {}
    void SetColWidth(int16_t, int16_t) override {}
    void Add(const std::string& text) override {
        if (failAdd) throw HostError(438, "Object doesn't support this property or method");
        rows.push_back(text);
    }
    void Show(int16_t) override {}
    std::vector<std::string> rows;
    bool failAdd = false;
};

// An account database whose answers the test decides; remembers what it was sent.
class ScriptedEngine : public DatabaseEngine {
  public:
    RecordsetPtr Query(const std::string& sql, Error* error) override {
        queries.push_back(sql);
        if (answerQuery) return answerQuery(sql, error);
        return std::make_shared<Recordset>(std::vector<std::string>{"c"},
                                           std::vector<Recordset::Row>{});
    }
    Outcome Execute(const std::string& sql) override {
        executed.push_back(sql);
        return Outcome::Success();
    }
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override {
        for (const auto& b : batches) executed.push_back(b);
        return Outcome::Success();
    }
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override {
        runs.push_back(batches);
        if (answerRun) return answerRun(batches);
        return {};
    }

    std::function<RecordsetPtr(const std::string&, Error*)> answerQuery;
    std::function<AtomicOutcome(const std::vector<AtomicBatch>&)> answerRun;
    std::vector<std::string> queries;
    std::vector<std::string> executed;
    std::vector<std::vector<AtomicBatch>> runs;
};

// Everything a converter needs, with the window's state to set per test.
struct Desk {
    explicit Desk(std::shared_ptr<DatabaseEngine> engine)
        : gateway(std::move(engine)),
          texts([] { return std::string("chs"); }, notifier),
          context{gateway, texts, prompter, files, pump, log, state} {}

    RecordingNotifier notifier;
    SilentPrompter prompter;
    NoFiles files;
    CountingPump pump;
    MemoryLog log;
    WindowState state;
    Gateway gateway;
    Texts texts;
    RecordingDisplay display;
    CoreContext context;
};

// Workbook rows as the reader gives them: F1…F14, the title row first.
struct SheetRow {
    Value f1, f8, f13, f14;
};
inline RecordsetPtr Sheet(const std::vector<SheetRow>& rows, bool withTitle = true) {
    std::vector<std::string> names;
    for (int i = 1; i <= 14; ++i) names.push_back("F" + std::to_string(i));
    std::vector<Recordset::Row> data;
    if (withTitle) {
        Recordset::Row title(14);
        title[0] = "单据编号";
        title[7] = "税率";
        title[12] = "FInterID";
        title[13] = "FEntryID";
        data.push_back(title);
    }
    for (const SheetRow& r : rows) {
        Recordset::Row row(14);
        row[0] = r.f1;
        if (!r.f1.IsNull()) row[1] = "供应商";
        row[7] = r.f8;
        row[12] = r.f13;
        row[13] = r.f14;
        data.push_back(row);
    }
    return std::make_shared<Recordset>(names, data);
}

}  // namespace q9::testing_doubles
