#include "cli.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "command.h"
#include "command_adjust.h"
#include "command_demo_db.h"
#include "command_export.h"
#include "command_runs.h"
#include "command_undo.h"
#include "run_outcome.h"

namespace q9::cli {

namespace {

constexpr const char* kUsageLine =
    "usage: q9taxrate-cli [--db URL] [--user NAME] [--lang LANGUAGE] COMMAND [OPTIONS]";

bool Asks(const std::vector<std::string>& arguments, const std::string& option) {
    auto end = std::find(arguments.begin(), arguments.end(), "--");
    return std::find(arguments.begin(), end, option) != end;
}

}  // namespace

std::string HelpText() {
    return std::string(kUsageLine) + R"(

  --db URL     sqlite:PATH | odbc:CONNECTION-STRING
               default: the embedded demo account ($XDG_DATA_HOME/q9taxrate/demo.db, created on first use)
  --user NAME  the session's user name (default: the login name of the process)
  --lang L     the session's LANGUAGE property (default chs)

COMMANDS
  demo-db FILE [--entries N] [--seed S] [--bill-discount] [--discount-includes-tax]
        create a new embedded account database at FILE with the host tables and sample
        documents; refuses an existing FILE. Without --entries: a small hand-made sample that
        covers every selection and conversion case; with --entries N: N entry lines per
        document kind (purchase orders, sales orders, payable contracts, receivable contracts),
        deterministic for a given seed. --bill-discount / --discount-includes-tax turn the two
        system-profile switches on (FCategory 'IC', FValue 1).

  export KIND FILE [--overwrite | --keep]
        the export button of KIND (po | so | payable | receivable): the whole-bill discount
        refusal, the candidate query, "没有符合条件的数据，不需要引出", the overwrite question
        (answered by --overwrite = Yes, --keep = No), the workbook(s), the notices.

  adjust [--17to16] [--11to10] [--rule inclusive|exclusive]
         [--materials] [--customers] [--suppliers]
         [--po FILE] [--so FILE] [--payable FILE] [--receivable FILE]
         [--report FILE] [--changes FILE] [--yes] [--dry-run]
        the one-click adjustment: --17to16/--11to10 tick Chk17/Chk11 (at least one is required,
        as cmdFix is disabled otherwise); --rule inclusive (default) selects OptAmount, exclusive
        OptPrice; --materials/--customers/--suppliers tick chkItem/chkCust/chkSupply; the four
        FILE options fill the four path boxes; --yes answers the confirmation question Yes.
        Then master data, the four conversions, the result grid, "调整完成".
        --report FILE writes the result grid as UTF-8 CSV: header line 单据,备注 then one line
        per skipped-line entry, RFC 4180 quoting.
        --dry-run computes the whole run by the account's own database inside a transaction that
        is rolled back: no question, the same refusals and grid, nothing written to the account;
        then "预览完成，账套未作任何修改".
        --changes FILE writes what the run changed (with --dry-run: would change) as UTF-8 CSV,
        one line per value: kind, bill number, keys, table, column, before, after; master data
        and contract and schedule totals included.

  runs
        the one-click runs the account's journal holds, newest first: id, start, user, profile,
        rule, lines converted and state (完成 done, 中断 interrupted, 已撤销 undone, 进行中 running).

  undo RUN-ID [--yes]
        puts back every line and master-data value of run RUN-ID whose present value is still
        the one the run wrote, one transaction per line with its backup row; lists every line
        changed since and leaves it as it is; marks the run undone. --yes answers the question
        Yes. Refused (exit 3): an unknown id, a run already undone, a run in progress, an account
        without the journal.

  --help, --version

Questions not answered by an option are asked on the terminal; with no terminal the answer is No.
Output on stdout: every notice as one line; every message box as one line "[TITLE] TEXT"; the
result grid as the line "单据<TAB>备注" followed by one line per entry.
Exit status: 0 done; 1 a failure was shown; 2 usage error; 3 refused (login refused, or a
question answered No).
)";
}

std::unique_ptr<Command> ParseCommand(const std::string& name,
                                      const std::vector<std::string>& arguments,
                                      GlobalOptions& global) {
    if (name == "demo-db") return DemoDbCommand::Parse(arguments, global);
    if (name == "export") return ExportCommand::Parse(arguments, global);
    if (name == "adjust") return AdjustCommand::Parse(arguments, global);
    if (name == "runs") return RunsCommand::Parse(arguments, global);
    if (name == "undo") return UndoCommand::Parse(arguments, global);
    throw UsageError("unknown command '" + name + "'");
}

int Run(const std::vector<std::string>& arguments, Terminal& terminal) {
    if (Asks(arguments, "--help")) {
        terminal.out << HelpText();
        return kExitDone;
    }
    if (Asks(arguments, "--version")) {
        terminal.out << "q9taxrate-cli " << Q9_VERSION << "\n";
        return kExitDone;
    }
    try {
        // The global options before the command; the command's parser takes those after it.
        GlobalOptions global;
        size_t commandAt = 0;
        while (commandAt < arguments.size() && arguments[commandAt].starts_with("--")) {
            const std::string& argument = arguments[commandAt];
            size_t taken = argument.find('=') == std::string::npos ? 2 : 1;
            if (taken == 2 && commandAt + 1 >= arguments.size()) {
                throw UsageError(argument + " needs a value");
            }
            std::vector<std::string> option(
                arguments.begin() + static_cast<long>(commandAt),
                arguments.begin() + static_cast<long>(commandAt + taken));
            ParsedArguments parsed = ParseArguments(option, {}, global);
            if (!parsed.positional.empty()) throw UsageError("unexpected " + argument);
            commandAt += taken;
        }
        if (commandAt >= arguments.size()) throw UsageError("no command given");
        std::vector<std::string> rest(arguments.begin() + static_cast<long>(commandAt) + 1,
                                      arguments.end());
        std::unique_ptr<Command> command = ParseCommand(arguments[commandAt], rest, global);
        return command->Run(global, terminal);
    } catch (const UsageError& e) {
        terminal.err << "q9taxrate-cli: " << e.what() << '\n'
                     << kUsageLine << "\n(see q9taxrate-cli --help)\n";
        return kExitUsage;
    }
}

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Terminal terminal{out, err, std::cin, isatty(STDIN_FILENO) == 1, isatty(STDERR_FILENO) == 1};
    return Run(arguments, terminal);
}

}  // namespace q9::cli
