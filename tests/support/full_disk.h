// A small tmpfs mounted for one test and filled up, to meet a full disk.
// Mounting needs root; where it cannot be mounted, Mounted() is false and
// the test is skipped.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace kova::testing {

class FullDisk {
  public:
    explicit FullDisk(std::string folder) : folder_(std::move(folder)) {
        ::mkdir(folder_.c_str(), 0777);
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~FullDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Folder() const { return folder_; }

    // Takes every byte that is left.
    void Fill() const {
        const std::string path = folder_ + "/filler";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const char block[512] = {};
        while (fd >= 0 && ::write(fd, block, sizeof block) > 0) {
        }
        while (fd >= 0 && ::write(fd, block, 1) > 0) {
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }

  private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace kova::testing
