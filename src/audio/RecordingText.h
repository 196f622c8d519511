#pragma once
// Texts derived from recordings' data: durations and sizes for the status display, safe file
// names.

#include <cstdint>
#include <string>
#include <string_view>

namespace sonotape {

// "hh:mm:ss" of a duration in seconds, rounded to whole seconds (ties to even); hours do not
// wrap. Negative and non-finite durations show as zero.
std::string FormatDuration(double seconds);

// "Written: 0.0 MB" for a byte count, in tenths of a MiB rounded as printf's "%.1f" rounds, with
// the given decimal separator (the user's locale's).
std::string FormatWrittenSize(std::uint64_t bytes, std::string_view decimalSeparator);

// The text without surrounding blanks and control characters, and without the characters
// that Windows forbids in file names (the period included, so no extension can be smuggled in).
std::string MakeFileNameSafe(std::string_view text);

}  // namespace sonotape
