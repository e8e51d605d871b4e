// Placeholders until the engines land; removed by their modules.
#include "host/db/engine_factory.h"

namespace q9 {

std::shared_ptr<DatabaseEngine> OpenOdbcEngine(const std::string&) {
    throw HostError(error_number::kCannotCreateObject, "The ODBC engine is not built yet");
}

}  // namespace q9
