// How WritePrivateProfileStringA changes a file's text. The text is edited,
// not regenerated: every byte outside the touched line or section stays.
#pragma once

#include <optional>
#include <string_view>

#include "platform/profile/profile_text.h"

namespace qmon::platform::profile {

// The change for (section, key, value); a null key deletes the section, a
// null value deletes the key. Names and value go into the text as given.
// nullopt when the text already says so.
std::optional<TextEdit> PlanProfileWrite(const ProfileText& text, std::string_view section,
                                         const char* key, const char* value);

}  // namespace qmon::platform::profile
