// Writing a whole output file so that no failure loses what was there.
#pragma once

#include <string>
#include <string_view>

namespace kova {

// Replaces the file at `path` by `bytes`: they are written to a new file
// beside it, flushed to the disk and renamed over it, so a full disk or any
// other failure leaves the old file whole. A symbolic link keeps pointing to
// its target, which is replaced; a device or pipe (/dev/null, /dev/stdout),
// and a writable file in a folder that is not, are written in place. Returns
// the reason of a failure, or an empty string.
std::string ReplaceFile(const std::string& path, std::string_view bytes);

// Whether two paths name the same existing regular file.
bool SameRegularFile(const std::string& first, const std::string& second);

}  // namespace kova
