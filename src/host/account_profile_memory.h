#pragma once

#include <optional>
#include <string>

#include "host/error.h"
#include "rates/rate_profile.h"

namespace q9 {

// `fileText` (an accounts file) with the first [accountName] section naming `request`: its
// profile=, changes= and cutoff= lines give way to the request's, where the first of them stood
// (else after the section's last key); every other byte stays. Nothing when there is no such
// section.
std::optional<std::string> WithAccountRateProfile(const std::string& fileText,
                                                  const std::string& accountName,
                                                  const RateProfileRequest& request);

// Remembers `request` for the account in the accounts file at `path`, written beside and
// renamed so that a failure never leaves half a file. The error names the file.
Outcome RememberAccountRateProfile(const std::string& path, const std::string& accountName,
                                   const RateProfileRequest& request);

}  // namespace q9
