#include "rates/rate_profile.h"

#include <algorithm>

namespace q9 {

namespace {

constexpr size_t kMostChanges = 2;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

class Refusal {
  public:
    explicit Refusal(const std::string& where) : where_(where) {}

    // `fault`: a catalog template that `arguments` fill.
    RateProfileResult operator()(const std::string& fault,
                                 std::vector<std::string> arguments = {}) const {
        Error error = CatalogError(error_number::kInvalidArgument, fault, std::move(arguments));
        if (where_.empty()) return {{}, error};
        return {{}, ExplainedBy(error, error.number, "%1：%2", {where_})};
    }

  private:
    std::string where_;
};

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string KnownNames() {
    std::string names;
    for (const RateProfile& profile : BuiltInRateProfiles()) {
        names += (names.empty() ? "" : ", ") + profile.name;
    }
    return names;
}

}  // namespace

std::optional<Rate> ParseRate(std::string_view text) {
    text = Trimmed(text);
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const bool digitsOnly = std::all_of(whole.begin(), whole.end(), IsDigit) &&
                            std::all_of(fraction.begin(), fraction.end(), IsDigit);
    if (whole.empty() || whole.size() > 3 || !digitsOnly) return std::nullopt;
    if (point != std::string_view::npos && (fraction.empty() || fraction.size() > 2)) {
        return std::nullopt;
    }
    int hundredths = Number(whole) * 100;
    if (!fraction.empty()) hundredths += Number(fraction) * (fraction.size() == 1 ? 10 : 1);
    if (hundredths > Rate::kMaxHundredths) return std::nullopt;
    return Rate::FromHundredths(hundredths);
}

bool IsCalendarDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!IsDigit(text[i])) return false;
    }
    const int year = Number(text.substr(0, 4));
    const int month = Number(text.substr(5, 2));
    const int day = Number(text.substr(8, 2));
    // The account database's date type starts in 1753.
    if (year < 1753 || month < 1 || month > 12) return false;
    return day >= 1 && day <= DaysInMonth(year, month);
}

RateProfileResult ResolveRateProfile(const RateProfileRequest& request, const std::string& where) {
    const Refusal refuse(where);
    if (request.IsEmpty()) return {StandardRateProfile(), {}};
    if (!request.name.empty()) {
        if (!request.changes.empty() || request.cutoff) {
            return refuse("给出了方案名，又给出了税率变化或截止日期");
        }
        for (const RateProfile& profile : BuiltInRateProfiles()) {
            if (profile.name == request.name) return {profile, {}};
        }
        return refuse("未知的税率方案%1（已有：%2）", {Quoted(request.name), KnownNames()});
    }
    if (request.changes.empty()) return refuse("给出了截止日期，但没有给出税率变化");
    if (!request.cutoff) return refuse("给出了税率变化，但没有给出截止日期");
    if (request.changes.size() > kMostChanges) {
        return refuse("最多两个税率变化，而不是%1个", {std::to_string(request.changes.size())});
    }
    if (!IsCalendarDate(*request.cutoff)) {
        return refuse("截止日期%1不是按 YYYY-MM-DD 写的有效日期", {Quoted(*request.cutoff)});
    }
    RateProfile profile;
    for (const std::string& text : request.changes) {
        const size_t colon = text.find(':');
        if (colon == std::string::npos)
            return refuse("税率变化%1不是 原税率:新税率 的形式", {Quoted(text)});
        const std::string_view oldText = std::string_view(text).substr(0, colon);
        const std::string_view newText = std::string_view(text).substr(colon + 1);
        for (std::string_view rateText : {oldText, newText}) {
            if (!ParseRate(rateText)) {
                return refuse("税率变化%2中的税率%1不是0到100之间、最多两位小数的数",
                              {Quoted(rateText), Quoted(text)});
            }
        }
        const Rate oldRate = *ParseRate(oldText);
        const Rate newRate = *ParseRate(newText);
        if (oldRate == newRate) {
            return refuse("税率变化%1的原税率与新税率相同", {Quoted(text)});
        }
        for (const RateChange& earlier : profile.changes) {
            if (earlier.oldRate == oldRate) {
                return refuse("原税率%1给出了两次", {oldRate.Text()});
            }
        }
        const MasterDefaults defaults =
            profile.changes.empty() ? MasterDefaults::SetToNewRate : MasterDefaults::Kept;
        profile.changes.push_back(MakeRateChange(oldRate, newRate, *request.cutoff, defaults));
    }
    for (const RateChange& change : profile.changes) {
        for (const RateChange& other : profile.changes) {
            if (change.newRate == other.oldRate) {
                return refuse("新税率%1又是本方案的原税率：第二次运行会把同一行再调整一次",
                              {change.newRate.Text()});
            }
        }
    }
    return {profile, {}};
}

RateProfileRequest RequestFor(const RateProfile& profile) {
    RateProfileRequest request;
    if (!profile.name.empty()) {
        request.name = profile.name;
        return request;
    }
    for (const RateChange& change : profile.changes) {
        request.changes.push_back(change.oldRate.Text() + ":" + change.newRate.Text());
    }
    request.cutoff = profile.CutoffDate();
    return request;
}

std::string DescribeRateProfile(const RateProfile& profile) {
    std::string text = profile.name.empty() ? std::string() : profile.name + ": ";
    for (size_t i = 0; i < profile.changes.size(); ++i) {
        const RateChange& change = profile.changes[i];
        text += (i > 0 ? ", " : "") + change.oldRate.Text() + "%→" + change.newRate.Text() + "%";
    }
    return text + ", before " + profile.CutoffDate();
}

}  // namespace q9
