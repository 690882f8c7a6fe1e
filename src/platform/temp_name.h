// The temporary file that a whole-file write goes through, in the target's
// own folder so that a rename can put it in place. The name is fixed per
// target (letter case aside), so a write cut short leaves at most this one
// file behind, and the next write of that target starts by replacing it. It
// shares nothing with the target's name, so no search for files of the
// target's kind (such as "*_Monitor.xml") finds it.
#pragma once

#include <string>

namespace qmon::platform {

// `path` in UTF-8 or native form, either separator; the answer is in the
// same form.
std::string TempPathBeside(const std::string& path);

}  // namespace qmon::platform
