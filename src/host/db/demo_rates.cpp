#include <algorithm>
#include <cstdio>

#include "host/db/demo_documents.h"

namespace q9::demo {

namespace {

// Rates the sample sets beside the profile's own, in the order they are taken.
constexpr int kUntouchedPercents[] = {13, 6, 0, 3, 1, 5, 7, 8, 2};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int DaysOf(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::string DateOf(int days) {
    const int z = days + 719468;
    const int era = z / 146097;
    const int dayOfEra = z - era * 146097;
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int mp = (5 * dayOfYear + 2) / 153;
    const int day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int month = mp < 10 ? mp + 3 : mp - 9;
    const int year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

int DayOf(const std::string& date) {
    int year = 0, month = 0, day = 0;
    std::sscanf(date.c_str(), "%d-%d-%d", &year, &month, &day);
    return DaysOf(year, month, day);
}

std::string DayFrom(const std::string& date, int days) {
    return DateOf(DayOf(date) + days);
}

double Gross(int base, Rate rate) {
    return static_cast<double>(base * (10000 + rate.hundredths())) / 10000.0;
}

DemoRates::DemoRates(const RateProfile& profile) : cutoffDate(profile.CutoffDate()) {
    std::vector<Rate> taken;
    for (const RateChange& change : profile.changes) {
        taken.push_back(change.oldRate);
        taken.push_back(change.newRate);
    }
    std::vector<Rate> untouched;
    for (int percent : kUntouchedPercents) {
        const Rate rate = Rate::Percent(percent);
        if (std::find(taken.begin(), taken.end(), rate) == taken.end()) untouched.push_back(rate);
    }
    std::copy_n(untouched.begin(), others.size(), others.begin());
    const RateChange& one = profile.changes.front();
    first = one.oldRate;
    firstNew = one.newRate;
    if (profile.changes.size() > 1) {
        second = profile.changes[1].oldRate;
        secondNew = profile.changes[1].newRate;
    } else {
        second = untouched[others.size()];
        secondNew = untouched[others.size() + 1];
    }
}

}  // namespace q9::demo
