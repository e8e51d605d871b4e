#include "host/text_template.h"

namespace q9 {

std::string FillTemplate(const std::string& templateText, const std::vector<std::string>& values) {
    std::string out;
    out.reserve(templateText.size() + 32);
    for (size_t i = 0; i < templateText.size();) {
        if (templateText[i] == '%' && i + 1 < templateText.size() && templateText[i + 1] >= '1' &&
            templateText[i + 1] <= '9') {
            size_t j = i + 1;
            size_t n = 0;
            while (j < templateText.size() && templateText[j] >= '0' && templateText[j] <= '9' &&
                   n < 100000) {
                n = n * 10 + static_cast<size_t>(templateText[j] - '0');
                ++j;
            }
            if (n >= 1 && n <= values.size()) {
                out += values[n - 1];
                i = j;
                continue;
            }
        }
        out.push_back(templateText[i]);
        ++i;
    }
    return out;
}

}  // namespace q9
