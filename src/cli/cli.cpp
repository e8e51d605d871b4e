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
#include "host/texts.h"
#include "rates/rate_profile.h"
#include "run_outcome.h"

namespace q9::cli {

namespace {

constexpr const char* kUsageLine =
    "usage: q9taxrate-cli [--db URL] [--user NAME] [--lang LANGUAGE] [--profile NAME | --change "
    "OLD:NEW... --cutoff YYYY-MM-DD] COMMAND [OPTIONS]";

bool Asks(const std::vector<std::string>& arguments, const std::string& option) {
    auto end = std::find(arguments.begin(), arguments.end(), "--");
    return std::find(arguments.begin(), end, option) != end;
}

// One line per built-in profile.
std::string ProfileLines() {
    std::string lines;
    for (const RateProfile& profile : BuiltInRateProfiles()) {
        lines += "                         " + DescribeRateProfile(profile) + "\n";
    }
    return lines;
}

}  // namespace

std::string HelpText() {
    return std::string(kUsageLine) + R"help(

Changes the VAT rate of open purchase orders, sales orders, payable and receivable contracts
(the changes of a rate-change profile, see --profile), as the window does: export the lines
of a kind that can be adjusted, delete the rows that must keep their rate, then adjust with the
edited workbooks. The window's control an option stands for follows in brackets.

SESSION
  --db URL     the account database: sqlite:PATH (an embedded account database) or
               odbc:CONNECTION-STRING (SQL Server). Default: the embedded demo account
               ($XDG_DATA_HOME/q9taxrate/demo.db, created on first use).
               An ODBC address without PWD takes the password from the environment variable
               Q9TAXRATE_DB_PASSWORD or, when it names no DSN, asks for it on the terminal
               without showing it. A PWD inside --db is seen by every user of the machine.
  --user NAME  the user name the session runs under (default: your login name)
  --lang L     the language of the messages: chs Simplified Chinese (default), en English

  --profile NAME       the rate changes to make, one of (the first is the default):
)help" + ProfileLines() +
           R"help(  --change OLD:NEW     instead of a profile name, changes of your own (once or twice, e.g.
  --cutoff YYYY-MM-DD  --change 13:9 --change 6:5 --cutoff 2026-01-01); documents dated
                       before the cut-off are converted. Rates are 0 to 100 with at most two
                       decimals; a new rate may be higher than the old one. The first change
                       also sets the master-data defaults. A bad profile exits with status 2.

COMMANDS
  demo-db FILE [--entries N] [--seed S] [--bill-discount] [--discount-includes-tax]
        create a new embedded account database at FILE with the host tables and sample
        documents, to practise on; never touches an existing FILE.
        --entries N   N generated entry lines per document kind instead of the small
                      hand-made sample that covers every case
        --seed S      another set of generated lines (the same S gives the same lines)
        --bill-discount          turn the whole-bill discount on in the system profile
        --discount-includes-tax  turn "discount includes tax" on in the system profile
        The documents carry the profile's old rates, its new rates and others, dated on both
        sides of its cut-off.

  export KIND FILE [--overwrite | --keep]
        write the lines of KIND that can be adjusted (at the profile's old rates, dated
        before its cut-off, not cancelled, not invoiced) into the workbook FILE; more than 16,300 lines
        go on into further workbooks beside it (po.xls, po1.xls, ...; the export button).
        KIND: po purchase orders, so sales orders, payable payable contracts,
        receivable receivable contracts.
        --overwrite   replace FILE when it exists (answers "文件已存在，是否覆盖？" Yes)
        --keep        leave an existing FILE as it is (answers it No)

  adjust [--convert OLD]... [--17to16] [--11to10] [--rule inclusive|exclusive]
         [--materials] [--customers] [--suppliers]
         [--po FILE] [--so FILE] [--payable FILE] [--receivable FILE]
         [--report FILE] [--changes FILE] [--yes] [--dry-run]
        after the confirmation question, set the default rates of the master data chosen,
        then back up and rewrite every line listed in the workbooks given; rows that are not
        changed are listed with their reason (the one-click button, cmdFix).
        --convert OLD make the profile's change from OLD (Chk17 for its first change, Chk11
                      for its second); repeat it for both; at least one change is needed
        --17to16      with the standard profile: change 17 % to 16 % (Chk17)
        --11to10      with the standard profile: change 11 % to 10 % (Chk11)
        --rule inclusive   keep the unit price with tax; recompute the price without tax,
                           the amounts, tax and discount (default; OptAmount)
        --rule exclusive   keep the unit price without tax; recompute the price with tax,
                           the total, tax and discount (OptPrice)
        --materials   also re-rate materials (chkItem)
        --customers   also re-rate customers (chkCust)
        --suppliers   also re-rate suppliers (chkSupply)
        --po FILE     the edited purchase-order workbook (txtPOFile)
        --so FILE     the edited sales-order workbook (txtSOFile)
        --payable FILE     the edited payable-contract workbook (txtHTYFFile)
        --receivable FILE  the edited receivable-contract workbook (txtHYSFFile)
                      each of these four once per workbook: a large export's po.xls, po1.xls,
                      ... are converted in one run, in the order given
        --report FILE also write the list of rows not changed to FILE as UTF-8 CSV: the
                      header line 单据,备注, then one line per row
        --changes FILE     also write every value the run changes to FILE as UTF-8 CSV, one
                           line per value: kind, bill number, keys, table, column, before,
                           after (master data and contract and schedule totals too); a FILE
                           ending in .xlsx gets the same columns as a workbook
        --dry-run     try the whole run without changing the account: no question, the same
                      refusals and list of rows, then "预览完成，账套未作任何修改"; with
                      --changes, FILE lists what the run would change
        --yes         answer the confirmation question Yes without asking

  runs
        list the adjustments made in this account, newest first: number, start, user,
        profile, rule, lines changed and state (完成 done, 中断 interrupted, 已撤销 undone,
        进行中 running).

  undo RUN-ID [--yes]
        after a question, put back what adjustment RUN-ID changed: every line and master-data
        value still as the run left it returns to its old value, together with its backup row;
        anything changed since is listed and left as it is. The run is then shown as undone.
        --yes         answer the question Yes without asking
        Refused (exit 3): an unknown number, a run already undone, a run still going, an
        account that keeps no record of its runs.

  --help, --version

Questions an option does not answer are asked on the terminal, where Enter takes the window's
default answer (the capital letter in "(Y/n)"); with no terminal the answer is No.
Output on stdout: every notice as one line; every message box as one line "[TITLE] TEXT"
("[] TEXT" when it has no title); the list of rows not changed as the line "单据<TAB>备注"
followed by one line per row. On stderr, when it is a terminal: a progress line per kind
(row i of n, lines per second).
Exit status: 0 done; 1 a failure was shown; 2 usage error; 3 refused (login refused, or a
question answered No).
)help";
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
        // A bad profile is refused before anything is read or written.
        const RateProfileResult profile = ResolveRateProfile(global.profileRequest, "税率方案");
        if (!profile.ok()) throw UsageError(DescribeInLanguage(global.language, profile.error));
        global.rateProfile = profile.profile;
        return command->Run(global, terminal);
    } catch (const UsageError& e) {
        terminal.err << "q9taxrate-cli: " << e.what() << '\n'
                     << kUsageLine << "\n(see q9taxrate-cli --help)\n";
        return kExitUsage;
    }
}

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const bool inIsTerminal = isatty(STDIN_FILENO) == 1;
    Terminal terminal{out,
                      err,
                      std::cin,
                      inIsTerminal,
                      isatty(STDERR_FILENO) == 1,
                      inIsTerminal ? STDIN_FILENO : -1};
    return Run(arguments, terminal);
}

}  // namespace q9::cli
