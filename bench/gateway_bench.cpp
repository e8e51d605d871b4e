// The embedded account database under the tool's per-line protocol: 100,000 units of check
// query + backup INSERT + UPDATE by key, each unit one atomic call through the gateway, against
// one set-based UPDATE of the same lines. Prints both times and their ratio (target: within 10x).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "host/gateway.h"

namespace {

using q9::bench::Clock;
using q9::bench::SecondsSince;

const std::string kCrLf = "\r\n";

// The purchase-order texts of the tax-inclusive rule, as the tool sends them per line.
std::string CheckSql(int id, int entry, const std::string& n) {
    return "SELECT 1 FROM POOrderEntry te" + kCrLf +
           "WHERE te.FReceiveAmountFor_Commit>ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" +
           n + "),2) AND (te.FInterID=" + std::to_string(id) +
           " AND te.FEntryID=" + std::to_string(entry) + ") ";
}

std::string Body(const std::string& n) {
    return "UPDATE te SET te.FCess=" + n + kCrLf +
           ",te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*(100-te.FTaxRate)*" + n + "/((100+" +
           n + ")*100),2)," + kCrLf +
           "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" + n + "),2)," + kCrLf +
           "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+" + n + "),ti.FPriceDecimal)," + kCrLf +
           "te.FPrice = Round(FAuxTaxPrice * 100 / (100 + " + n +
           ") * t.FExchangeRate, ti.FPriceDecimal)" + kCrLf +
           ",te.FDescount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+" + n + "),2)" + kCrLf +
           "  FROM POOrderEntry te" + kCrLf + "INNER JOIN POOrder t ON te.FInterID = t.FInterID" +
           kCrLf + "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID" + kCrLf;
}

std::string Backup(const std::string& n) {
    return "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,"
           "FPrice,FDescount)" +
           kCrLf +
           "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,FDescount  FROM "
           "POOrderEntry te WHERE te.FCess=1+" +
           n;
}

std::string UpdateSql(int id, int entry, const std::string& n) {
    const std::string key =
        "(te.FInterID= " + std::to_string(id) + " AND te.FEntryID=" + std::to_string(entry) + ")";
    return Backup(n) + " AND " + key + kCrLf + Body(n) + "WHERE te.FCess=1+" + n + " AND " + key;
}

const std::string kStartup =
    "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='POOrderEntryTaxRate' AND xtype='u')\r\n"
    "CREATE TABLE POOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmount "
    "DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),\r\n"
    "FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount "
    "DECIMAL(23,10),FPriceDiscount DECIMAL(23,10),FAllAmount DECIMAL(23,10),FDescount "
    "DECIMAL(23,10))\r\n";

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::stoi(argv[1]) : 100000;
    const q9::bench::WorkFolder folder("q9-gateway-bench");
    const std::string perLinePath = (folder / "per-line.db").string();
    const std::string setBasedPath = (folder / "set-based.db").string();

    auto start = Clock::now();
    q9::CreateDemoAccount(perLinePath, {lines, 7, false, false});
    std::printf("demo account, %d lines per kind: %.2f s\n", lines, SecondsSince(start));
    std::filesystem::copy_file(perLinePath, setBasedPath);

    // Per-line protocol through the gateway.
    double perLine = 0;
    int units = 0;
    {
        q9::Gateway gateway(q9::OpenSqliteEngine(perLinePath));
        gateway.ExecuteSql(kStartup);
        q9::RecordsetPtr keys =
            gateway.OpenRecordset("SELECT FInterID,FEntryID,FCess FROM POOrderEntry");
        if (!keys) return 1;
        start = Clock::now();
        for (keys->MoveFirst(); !keys->Eof(); keys->MoveNext()) {
            const int id = static_cast<int>(keys->FieldAt(0).AsInteger());
            const int entry = static_cast<int>(keys->FieldAt(1).AsInteger());
            const std::string n = keys->FieldAt(2).NumberAsDouble() == 11 ? "10.0" : "16.0";
            q9::RecordsetPtr check = gateway.OpenRecordset(CheckSql(id, entry, n));
            if (!check) return 1;
            if (check->RecordCount() > 0) continue;
            const q9::Outcome outcome = gateway.ExecuteAtomic({UpdateSql(id, entry, n)});
            if (!outcome.ok()) {
                std::fprintf(stderr, "%s\n", outcome.error.description.c_str());
                return 1;
            }
            ++units;
        }
        perLine = SecondsSince(start);
    }

    // The same conversion as two set-based statements pairs (17 and 11) in one transaction.
    double setBased = 0;
    {
        q9::Gateway gateway(q9::OpenSqliteEngine(setBasedPath));
        gateway.ExecuteSql(kStartup);
        start = Clock::now();
        std::vector<std::string> batches;
        for (const std::string n : {"16.0", "10.0"}) {
            const std::string notLinked =
                "te.FReceiveAmountFor_Commit<=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" +
                n + "),2)";
            batches.push_back(Backup(n) + " AND " + notLinked + kCrLf + Body(n) +
                              "WHERE te.FCess=1+" + n + " AND " + notLinked);
        }
        const q9::Outcome outcome = gateway.ExecuteAtomic(batches);
        setBased = SecondsSince(start);
        if (!outcome.ok()) {
            std::fprintf(stderr, "%s\n", outcome.error.description.c_str());
            return 1;
        }
    }
    std::printf(
        "per-line units (check + backup + update, one transaction each): %d lines, "
        "%d converted, %.3f s (%.1f us per line)\n",
        lines, units, perLine, perLine * 1e6 / lines);
    std::printf("set-based UPDATE of the same lines: %.3f s\n", setBased);
    std::printf("ratio per-line / set-based: %.1fx (target: within 10x)\n", perLine / setBased);
    q9::bench::ReportCount("gateway.lines", lines);
    q9::bench::ReportCount("gateway.converted", units);
    q9::bench::ReportSeconds("gateway.per_line_s", perLine);
    q9::bench::ReportSeconds("gateway.set_based_s", setBased);
    return 0;
}
