#include "host/error.h"

namespace q9 {

std::string Error::NumberAndDescription() const {
    return std::to_string(number) + " (" + description + ")";
}

Error CurrentExceptionError(int32_t otherNumber) {
    try {
        throw;
    } catch (const HostError& e) {
        return e.error();
    } catch (const std::exception& e) {
        return Error{otherNumber, e.what()};
    } catch (...) {
        return Error{otherNumber, "Unknown failure"};
    }
}

}  // namespace q9
