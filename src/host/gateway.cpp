#include "host/gateway.h"

namespace q9 {

namespace {

Error NoDatabase() {
    return Error{error_number::kCannotCreateObject, "没有打开的账套数据库"};
}

}  // namespace

RecordsetPtr AppConnection::GetAnyRecordset(const std::string& sql, Error* error) {
    if (!engine_) {
        *error = NoDatabase();
        return nullptr;
    }
    return engine_->Query(sql, error);
}

Outcome AppConnection::Execute(const std::string& sql) {
    if (!engine_) return Outcome::Failure(NoDatabase());
    return engine_->Execute(sql);
}

Outcome AppConnection::ExecuteAtomic(const std::vector<std::string>& batches) {
    if (!engine_) return Outcome::Failure(NoDatabase());
    return engine_->ExecuteAtomic(batches);
}

AtomicOutcome AppConnection::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    if (!engine_) return {NoDatabase()};
    return engine_->ExecuteAtomicGuarded(batches);
}

TransactionOutcome AppConnection::RunTransaction(const TransactionWork& work,
                                                 TransactionRetry retry) {
    if (!engine_) return {NoDatabase()};
    return engine_->RunTransaction(work, retry);
}

LineCommits Gateway::LineCommitting() const {
    try {
        const std::shared_ptr<DatabaseEngine> open = engine();
        return open ? open->LineCommitting() : LineCommits::EachLine;
    } catch (...) {
        return LineCommits::EachLine;  // the call that needs the account will say why
    }
}

AppConnection Gateway::CreateConnection() const {
    return AppConnection(engineOfSession_());
}

RecordsetPtr Gateway::TryOpenRecordset(const std::string& sql, Error* error) {
    Error ignored;
    Error& target = error ? *error : ignored;
    try {
        RecordsetPtr rows = CreateConnection().GetAnyRecordset(sql, &target);
        if (!rows && !target.IsSet()) target = Error{error_number::kDatabase, "查询没有返回记录集"};
        return rows;
    } catch (...) {
        target = CurrentExceptionError();
    }
    return nullptr;
}

RecordsetPtr Gateway::OpenRecordset(const std::string& sql) {
    return TryOpenRecordset(sql, nullptr);
}

Outcome Gateway::Execute(const std::string& sql) {
    try {
        return CreateConnection().Execute(sql);
    } catch (...) {
        return Outcome::Failure(CurrentExceptionError());
    }
}

void Gateway::ExecuteSql(const std::string& sql) {
    (void)Execute(sql);
}

Outcome Gateway::ExecuteAtomic(const std::vector<std::string>& batches) {
    try {
        return CreateConnection().ExecuteAtomic(batches);
    } catch (...) {
        return Outcome::Failure(CurrentExceptionError());
    }
}

AtomicOutcome Gateway::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    try {
        return CreateConnection().ExecuteAtomicGuarded(batches);
    } catch (...) {
        return {CurrentExceptionError()};
    }
}

TransactionOutcome Gateway::RunTransaction(const TransactionWork& work, TransactionRetry retry) {
    try {
        return CreateConnection().RunTransaction(work, retry);
    } catch (...) {
        return {CurrentExceptionError()};
    }
}

}  // namespace q9
