#include "host/db/savepoint_scope.h"

namespace q9 {

std::string SaveText(SavepointDialect dialect, const std::string& name) {
    if (dialect == SavepointDialect::Standard) return "SAVEPOINT " + name;
    // A savepoint does not open the implicit transaction of a connection without autocommit; a
    // SELECT from a table does.
    return "IF @@TRANCOUNT=0 SELECT TOP 0 1 FROM sysobjects\r\nSAVE TRANSACTION " + name;
}

std::string UndoText(SavepointDialect dialect, const std::string& name) {
    if (dialect == SavepointDialect::Standard) {
        return "ROLLBACK TO SAVEPOINT " + name + ";RELEASE SAVEPOINT " + name;
    }
    return "ROLLBACK TRANSACTION " + name;
}

std::string ReleaseText(SavepointDialect dialect, const std::string& name) {
    if (dialect == SavepointDialect::Standard) return "RELEASE SAVEPOINT " + name;
    return "";
}

TransactionEnd SavepointScope::RunNested(const TransactionWork& work) {
    const std::string name = "q9_unit_" + std::to_string(depth_ + 1);
    SendControl(SaveText(dialect_, name));
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};
    TransactionEnd end = TransactionEnd::RollBack;
    try {
        end = work(*this);
    } catch (...) {
        // A database that ended the whole transaction on the failure has no savepoint left;
        // the failure of going back to it is then the one to report.
        SendControl(UndoText(dialect_, name));
        throw;
    }
    if (end == TransactionEnd::Commit) {
        if (const std::string release = ReleaseText(dialect_, name); !release.empty()) {
            SendControl(release);
        }
    } else {
        SendControl(UndoText(dialect_, name));
    }
    return end;
}

Error CalledInsideWork() {
    return Error{error_number::kDatabase, "在未结束的事务之外调用了账套数据库"};
}

}  // namespace q9
