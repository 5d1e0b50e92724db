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

// The same writer for content that comes in pieces over time (the frames of
// an animation): Begin makes the temporary file and gives its stream, Commit
// puts it in place, and anything else -- Abort, or the object going without
// a Commit -- removes the temporary and leaves the target as it was.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { Abort(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Checks the target as WriteFileAtomically does and makes the temporary
    // file; false with the reason when either cannot be done.
    bool Begin(const std::string& path, std::string* why);
    // The temporary file's stream between Begin and Commit or Abort.
    std::FILE* Stream() const { return out_; }
    bool Open() const { return out_ != nullptr; }
    // Flushes the stream to the disk and renames the temporary over the
    // target; on failure removes the temporary and says why.
    bool Commit(std::string* why);
    // Closes and removes the temporary file, if there is one.
    void Abort();

private:
    std::FILE* out_ = nullptr;
    std::string shown_, target_, temp_;
};

// "it is a folder, not a regular file" (a device, a FIFO, …) for a file
// mode that is not a regular file's.
std::string NotRegularText(unsigned mode);

}  // namespace vesk
