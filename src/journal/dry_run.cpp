#include "journal/dry_run.h"

#include <memory>

#include "host/db/scoped_engine.h"

namespace q9 {

void RunWithoutWriting(CoreContext& context, const std::function<void(CoreContext&)>& work) {
    const TransactionOutcome outcome = context.gateway.RunTransaction([&](TransactionScope& scope) {
        Gateway inside(std::make_shared<ScopedEngine>(scope));
        CoreContext dry{inside,       context.texts, context.prompter, context.files,
                        context.pump, context.log,   context.state};
        work(dry);
        return TransactionEnd::RollBack;
    });
    if (outcome.error.IsSet()) throw HostError(outcome.error);
}

}  // namespace q9
