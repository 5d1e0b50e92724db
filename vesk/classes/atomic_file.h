// Writing a file whole or not at all. Every file the host writes goes
// through here: the bytes go to a temporary file beside the target, which is
// flushed to the disk and then renamed over the target. A write that fails
// (a full disk, a file size limit, a folder that cannot be written) leaves
// the old file as it was and no temporary behind.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vesk {

// Writes `path` with `write`, which puts the whole content on the stream it
// is given and returns false (saying why) when it cannot.
// - A target that exists and is not a regular file (a folder, a device such
//   as /dev/null, a FIFO, a socket) is refused and left untouched.
// - A symbolic link is followed: the file it leads to is replaced and the
//   link stays (a link that leads nowhere gets its file made).
// - A replaced file keeps its permission bits (and its owner, where the
//   process may set it); a new file gets 0666 less the umask.
// Returns false with a plain reason ("cannot write FILE: ...") on failure.
bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                         std::string* why);

// "it is a folder, not a regular file" (a device, a FIFO, …) for a file
// mode that is not a regular file's.
std::string NotRegularText(unsigned mode);

}  // namespace vesk
