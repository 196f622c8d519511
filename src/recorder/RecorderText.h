#pragma once
// Texts the recorder derives from data: durations for the status display, safe file names.

#include <string>
#include <string_view>

namespace sonotape {

// "hh:mm:ss" of a duration in seconds, rounded to whole seconds (ties to even); hours do not
// wrap. Negative and non-finite durations show as zero.
std::string FormatDuration(double seconds);

// The text without surrounding blanks and control characters, and without the characters
// that Windows forbids in file names (the period included, so no extension can be smuggled in).
std::string MakeFileNameSafe(std::string_view text);

}  // namespace sonotape
