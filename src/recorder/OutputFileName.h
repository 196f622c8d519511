#pragma once
// Names of output files, built from the window's FileNaming.

#include <functional>
#include <string>

#include "audio/OutputNaming.h"

namespace sonotape {

// The next file's name: the safe title or typed name, the time when wanted (or when there is
// no name), in the output folder (the default folder when it does not exist), numbered " 01",
// " 02", ... past files that exist. A name too long for the path to fit kMaxPathLength is cut
// at its end; the time, the number and the extension stay. An empty fileName when every
// number up to 99999 is taken.
OutputName BuildOutputFileName(const FileNaming& naming, const LocalTime& now,
                               const std::function<bool(const std::string&)>& folderExists,
                               const std::function<bool(const std::string&)>& fileExists);

// "mmm-dd hh-mm-ss".
std::string FormatFileTime(const LocalTime& time);

}  // namespace sonotape
