#include "host/error.h"

namespace q9 {

std::string Error::NumberAndDescription() const {
    return std::to_string(number) + " (" + description + ")";
}

}  // namespace q9
