// Placeholders until the engines land; removed by their modules.
#include "host/db/engine_factory.h"

namespace q9 {


}  // namespace q9
