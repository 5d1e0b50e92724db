// The atomic file writer: resolve the target, write a temporary file in its
// folder, flush and sync it, rename it into place; on any failure remove the
// temporary and nothing else.
#include "vesk/classes/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>

#include "vesk/values/value.h"

namespace vesk {

namespace {

constexpr int kMaxLinks = 40;          // as the kernel's own limit on a path
constexpr size_t kTempNameBase = 100;  // bytes of the target's name kept in the temporary's

std::string Reason(int error) { return std::strerror(error); }

std::string Folder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the path of the file they lead to (which may not
// exist yet). False when the links loop or cannot be read.
bool ResolveLinks(std::string path, std::string* target, std::string* why) {
    for (int hops = 0; hops <= kMaxLinks; hops++) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = path;
            return true;
        }
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n <= 0) {
            *why = "cannot follow the link " + Clip(path) + ": " + Reason(errno);
            return false;
        }
        link.resize(static_cast<size_t>(n));
        path = (link[0] == '/' || path.find('/') == std::string::npos) ? link : Folder(path) + "/" + link;
    }
    *why = "too many symbolic links lead on from " + Clip(path);
    return false;
}

// Makes a temporary file of a fresh name beside `target` (its name starts
// with a dot, so it stays out of listings while it exists).
int MakeTemporary(const std::string& target, mode_t mode, std::string* temp) {
    static std::minstd_rand random(static_cast<unsigned>(getpid()) ^ std::random_device{}());
    std::string base = BaseName(target).substr(0, kTempNameBase);
    std::string folder = Folder(target);
    for (int attempt = 0; attempt < 100; attempt++) {
        *temp = folder + "/." + base + "." + std::to_string(random() % 1000000000) + ".tmp";
        int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

std::string NotRegularText(unsigned mode) {
    const char* kind = S_ISDIR(mode) ? "a folder"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                         std::string* why) {
    // Past a file size limit (ulimit -f) the kernel sends SIGXFSZ, which ends
    // the process unless it is ignored; ignored, the write fails with EFBIG.
    static const bool ignored = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignored;
    const std::string shown = Clip(path);
    if (path.empty()) {
        *why = "cannot write a file without a name";
        return false;
    }
    if (path.find('\0') != std::string::npos) {
        *why = "cannot write " + shown + ": a file name cannot hold a zero byte";
        return false;
    }
    std::string target;
    if (!ResolveLinks(path, &target, why)) return false;

    mode_t mode = 0666;  // less the umask, as open applies it
    struct stat old;
    bool replacing = stat(target.c_str(), &old) == 0;
    if (!replacing && target.back() == '/') {
        *why = "cannot write " + shown + ": the name ends with '/', as a folder's does";
        return false;
    }
    if (replacing) {
        if (!S_ISREG(old.st_mode)) {
            *why = "cannot write " + shown + ": " + NotRegularText(old.st_mode);
            return false;
        }
        if (access(target.c_str(), W_OK) != 0) {
            *why = "cannot write " + shown + ": " + Reason(errno);
            return false;
        }
        mode = old.st_mode & 0777;
    } else if (errno != ENOENT) {
        *why = "cannot write " + shown + ": " + Reason(errno);
        return false;
    }

    std::string temp;
    int fd = MakeTemporary(target, mode, &temp);
    if (fd < 0) {
        *why = "cannot write " + shown + ": cannot make a file in " + Clip(Folder(target)) + ": " + Reason(errno);
        return false;
    }
    // The old file's permissions (open took the umask's bits off) and, where
    // the process may give a file away, its owner; a failure keeps ours.
    if (replacing) {
        (void)!fchmod(fd, mode);
        if (old.st_uid != geteuid() || old.st_gid != getegid()) (void)!fchown(fd, old.st_uid, old.st_gid);
    }
    std::FILE* out = fdopen(fd, "wb");
    if (!out) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        *why = "cannot write " + shown + ": " + Reason(error);
        return false;
    }
    std::string failure;
    bool written = write(out, &failure);
    int error = 0;
    if (written && std::fflush(out) != 0) error = errno;
    if (written && !error && std::ferror(out)) error = EIO;
    if (written && !error && fsync(fd) != 0) error = errno;
    if (std::fclose(out) != 0 && written && !error) error = errno;
    if (written && !error && rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (!written || error) {
        unlink(temp.c_str());
        *why = "cannot write " + shown + ": " + (written ? Reason(error) : failure);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    int folder = open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

}  // namespace vesk
