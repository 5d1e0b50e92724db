// The atomic file writer: resolve the target, write a temporary file in its
// folder, flush and sync it, rename it into place; on any failure remove the
// temporary and nothing else. WriteFileAtomically is AtomicFile in one go.
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

bool AtomicFile::Begin(const std::string& path, std::string* why) {
    // Past a file size limit (ulimit -f) the kernel sends SIGXFSZ, which ends
    // the process unless it is ignored; ignored, the write fails with EFBIG.
    static const bool ignored = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)ignored;
    Abort();
    shown_ = Clip(path);
    if (path.empty()) {
        *why = "cannot write a file without a name";
        return false;
    }
    if (path.find('\0') != std::string::npos) {
        *why = "cannot write " + shown_ + ": a file name cannot hold a zero byte";
        return false;
    }
    if (!ResolveLinks(path, &target_, why)) return false;

    mode_t mode = 0666;  // less the umask, as open applies it
    struct stat old;
    bool replacing = stat(target_.c_str(), &old) == 0;
    if (!replacing && target_.back() == '/') {
        *why = "cannot write " + shown_ + ": the name ends with '/', as a folder's does";
        return false;
    }
    if (replacing) {
        if (!S_ISREG(old.st_mode)) {
            *why = "cannot write " + shown_ + ": " + NotRegularText(old.st_mode);
            return false;
        }
        if (access(target_.c_str(), W_OK) != 0) {
            *why = "cannot write " + shown_ + ": " + Reason(errno);
            return false;
        }
        mode = old.st_mode & 0777;
    } else if (errno != ENOENT) {
        *why = "cannot write " + shown_ + ": " + Reason(errno);
        return false;
    }

    int fd = MakeTemporary(target_, mode, &temp_);
    if (fd < 0) {
        *why = "cannot write " + shown_ + ": cannot make a file in " + Clip(Folder(target_)) + ": " + Reason(errno);
        return false;
    }
    // The old file's permissions (open took the umask's bits off) and, where
    // the process may give a file away, its owner; a failure keeps ours.
    if (replacing) {
        (void)!fchmod(fd, mode);
        if (old.st_uid != geteuid() || old.st_gid != getegid()) (void)!fchown(fd, old.st_uid, old.st_gid);
    }
    out_ = fdopen(fd, "wb");
    if (!out_) {
        int error = errno;
        close(fd);
        unlink(temp_.c_str());
        *why = "cannot write " + shown_ + ": " + Reason(error);
        return false;
    }
    return true;
}

bool AtomicFile::Commit(std::string* why) {
    if (!out_) {
        *why = "cannot write " + shown_ + ": it is not open";
        return false;
    }
    int error = 0;
    if (std::fflush(out_) != 0) error = errno;
    if (!error && std::ferror(out_)) error = EIO;
    if (!error && fsync(fileno(out_)) != 0) error = errno;
    if (std::fclose(out_) != 0 && !error) error = errno;
    out_ = nullptr;
    if (!error && rename(temp_.c_str(), target_.c_str()) != 0) error = errno;
    if (error) {
        unlink(temp_.c_str());
        *why = "cannot write " + shown_ + ": " + Reason(error);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    int folder = open(Folder(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

void AtomicFile::Abort() {
    if (!out_) return;
    std::fclose(out_);
    out_ = nullptr;
    unlink(temp_.c_str());
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string*)>& write,
                         std::string* why) {
    AtomicFile file;
    if (!file.Begin(path, why)) return false;
    std::string failure;
    if (!write(file.Stream(), &failure)) {
        file.Abort();
        *why = "cannot write " + Clip(path) + ": " + failure;
        return false;
    }
    return file.Commit(why);
}

}  // namespace vesk
