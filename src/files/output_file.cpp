#include "files/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace kova {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Writes everything, going on after a signal; false with errno set otherwise.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string WriteInPlace(const std::string& path, std::string_view bytes, int flags = 0) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | flags);
    if (fd < 0) {
        return Reason(errno);
    }
    const bool written = WriteAll(fd, bytes) && (flags == 0 || ::fsync(fd) == 0);
    const int error = errno;
    if (::close(fd) != 0 && written) {
        return Reason(errno);
    }
    return written ? std::string() : Reason(error);
}

// The file that a path names after its symbolic links, so a link stays one.
std::string LinkTarget(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// A new file beside `target` with a name no other file has.
int CreateBeside(const std::string& target, std::string& temporary) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(random() % 1000000000u) + ".new";
        // The user's umask applies to the mode, as for any new file.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolderOf(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string ReplaceFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return Reason(ENOENT);
    }
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return Reason(EISDIR);
    }
    if (exists && !S_ISREG(old.st_mode)) {
        return WriteInPlace(path, bytes);
    }
    const std::string target = exists ? LinkTarget(path) : path;
    std::string temporary;
    const int fd = CreateBeside(target, temporary);
    if (fd < 0 && exists && (errno == EACCES || errno == EPERM) &&
        ::access(target.c_str(), W_OK) == 0) {
        // A writable file in a folder that is not: only writing in place is
        // possible, as it always was.
        return WriteInPlace(target, bytes, O_TRUNC);
    }
    if (fd < 0) {
        return Reason(errno);
    }
    if (exists) {
        // The new file keeps the old one's owner (where allowed) and permissions.
        [[maybe_unused]] const int owner = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    }
    // Some file systems report a full disk only when syncing.
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return Reason(error);
    }
    SyncFolderOf(target);
    return {};
}

bool SameRegularFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           S_ISREG(a.st_mode) && S_ISREG(b.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace kova
