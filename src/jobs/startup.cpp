#include "jobs/startup.h"

#include "journal/journal_sql.h"

namespace q9 {

std::string SwitchesQuery() {
    return "SELECT FKey FROM t_SystemProfile WHERE FKey IN('DisCountIncludeTax', 'BillDisCount') "
           "AND FCategory ='IC' AND FValue = 1";
}

std::string BackupTablesBatch() {
    static const char* const kPieces[] = {
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='POOrderEntryTaxRate' AND xtype='u')",
        "CREATE TABLE POOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),"
        "FTaxAmount DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice DECIMAL(23,10),FPrice "
        "DECIMAL(23,10),",
        "FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount "
        "DECIMAL(23,10),FPriceDiscount DECIMAL(23,10),FAllAmount DECIMAL(23,10),FDescount "
        "DECIMAL(23,10))",
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='SEOrderEntryTaxRate' AND xtype='u')",
        "CREATE TABLE SEOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmt "
        "DECIMAL(23,10),FAmount DECIMAL(23,10),",
        "FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),FAuxTaxPrice DECIMAL(23,10),FTaxPrice "
        "DECIMAL(23,10),FAuxPriceDiscount DECIMAL(23,10),",
        "FPriceDiscount DECIMAL(23,10),FTaxAmount DECIMAL(23,10),FAllAmount "
        "DECIMAL(23,10),FAllStdAmount DECIMAL(23,10))",
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='t_rpContractEntryRate' AND "
        "xtype='u')",
        "CREATE TABLE t_rpContractEntryRate(FContractID INT,FEntryID INT,FTaxRate "
        "DECIMAL(23,10),FAmount DECIMAL(23,10),",
        "FAmountFor DECIMAL(23,10),FTaxFor DECIMAL(23,10),FTax DECIMAL(23,10),FPriceFor "
        "DECIMAL(23,10),FPrice DECIMAL(23,10),",
        "FTaxPriceFor DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAmountIncludeTaxFor "
        "DECIMAL(23,10),FAmountIncludeTax DECIMAL(23,10))",
    };
    std::string batch;
    for (const char* piece : kPieces) {
        batch += piece;
        batch += "\r\n";
    }
    return batch;
}

StartupOutcome RunStartupSequence(HostSession& session, Gateway& gateway, WindowState& state) {
    StartupOutcome outcome;
    state.switchesRead = false;
    try {
        if (!session.LoginToHost()) {
            outcome.result = StartupResult::LoginRefused;
            return outcome;
        }
        // An account of the accounts file may carry its own rate changes; a bad one stops here,
        // before anything is read on a guess.
        if (const auto login = session.login(); login && login->AccountRateProfile()) {
            const RateProfileResult& own = *login->AccountRateProfile();
            if (!own.ok()) throw HostError(own.error);
            state.rateProfile = own.profile;
            if (const Outcome& memory = login->RateProfileMemory(); !memory.ok()) {
                outcome.profileNotRemembered = Failure{memory.error, {}};
            }
        }
        state.cutoffDate = state.rateProfile.CutoffDate();

        Error error;
        RecordsetPtr switches = gateway.TryOpenRecordset(SwitchesQuery(), &error);
        if (!switches) throw HostError(error);
        switches->SetFilter("FKey='BillDisCount'");
        state.billDiscountOn = switches->RecordCount() >= 1;
        switches->SetFilter("FKey='DisCountIncludeTax'");
        state.discountIncludeTaxOn = switches->RecordCount() >= 1;
        state.switchesRead = true;

        // Without the backup tables no line could be backed up: say so.
        Outcome created = gateway.Execute(BackupTablesBatch());
        if (!created.ok()) {
            outcome.result = StartupResult::BackupTablesMissing;
            outcome.failure = Failure{created.error, {}};
        }
        // Without the journal tables an account still converts, but its runs cannot be undone:
        // the operator is told, unless the backup tables already failed.
        Outcome journal = gateway.ExecuteAtomic({JournalTablesBatch()});
        if (!journal.ok() && !outcome.failure) {
            outcome.result = StartupResult::JournalTablesMissing;
            outcome.failure = Failure{journal.error, {}};
        }
    } catch (...) {
        outcome.result = StartupResult::SwitchesUnread;
        outcome.failure = CurrentFailure({}, error_number::kCannotCreateObject);
    }
    return outcome;
}

void ShowStartupFailure(const Failure& failure, Texts& texts, Prompter& prompter) {
    MessageBoxRequest box;
    box.text = texts.DescribeWithNumber(failure.error);
    box.title = texts.LoadText(kStartupErrorTitle);
    prompter.Ask(box);
}

StartupOutcome StartUp(ToolSession& tool, WindowState& state, Prompter& prompter) {
    StartupOutcome outcome = RunStartupSequence(tool, state);
    if (outcome.failure) ShowStartupFailure(*outcome.failure, tool.texts(), prompter);
    return outcome;
}

}  // namespace q9
