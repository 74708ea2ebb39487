// Saving a file so that the file it replaces is never left damaged.
//
// The new content goes to a temporary file beside the target (the same
// folder, so that the final rename stays on one file system), is flushed to
// the disk and closed, and only then replaces the target in one atomic
// rename. A failure at any point before leaves the target as it was and
// removes the temporary file.
#pragma once

#include <functional>
#include <string>

#include "base/UXlsStreams.h"

namespace xls {

// Writes the file FileName through Write, which gets the temporary file's
// stream. An existing target keeps its permission bits (and, where the
// platform allows, its owner); a target the user may not write, or one that
// is no regular file, is refused with the platform's error before anything is
// written, and one that another program holds locked with "Can't write to
// file "%s". Check it is not in use by another user". A symbolic link is
// followed: the file it points to is replaced. Off Windows a Windows network
// path (beginning with two backslashes) is a file that does not exist.
void SaveFileSafely(const std::string& FileName, const std::function<void(TStream&)>& Write);

}  // namespace xls
