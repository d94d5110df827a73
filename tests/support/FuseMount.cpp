#include "tests/support/FuseMount.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace orvane::test {

namespace fs = std::filesystem;

namespace {

// Runs a shell command; returns its exit status and what it printed.
std::pair<int, std::string> run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return {-1, output};
    }
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

std::string missingTool(const std::vector<std::string>& tools) {
    for (const std::string& tool : tools) {
        if (run("command -v " + tool).first != 0) {
            return tool + " is not installed";
        }
    }
    return {};
}

} // namespace

FuseMount::FuseMount(Type type, bool readOnly) {
    if (::geteuid() != 0) {
        skipReason_ = "mounting needs root";
        return;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        skipReason_ = "there is no /dev/fuse";
        return;
    }
    const std::string makeTool = type == Type::exfat ? "mkfs.exfat" : "mkfs.ntfs";
    const std::string mountTool = type == Type::exfat ? "mount.exfat-fuse" : "ntfs-3g";
    if (skipReason_ = missingTool({"losetup", makeTool, mountTool}); !skipReason_.empty()) {
        return;
    }
    const fs::path image = folder_ / "disk.img";
    mountPoint_ = folder_ / "disk";
    fs::create_directory(mountPoint_);
    {
        const int fd = ::open(image.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        const bool sized = fd >= 0 && ::ftruncate(fd, 16 << 20) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        if (!sized) {
            skipReason_ = "no room for a disk image";
            return;
        }
    }
    const auto made = run(type == Type::exfat ? "mkfs.exfat " + quoted(image)
                                              : "mkfs.ntfs --fast --force --quiet " + quoted(image));
    if (made.first != 0) {
        skipReason_ = makeTool + " failed: " + made.second;
        return;
    }
    const auto attached = run("losetup --find --show " + quoted(image));
    if (attached.first != 0 || !attached.second.starts_with("/dev/")) {
        skipReason_ = "no loop device: " + attached.second;
        return;
    }
    loopDevice_ = attached.second.substr(0, attached.second.find('\n'));
    const auto mounted =
        run(mountTool + (readOnly ? " -o ro " : " ") + loopDevice_ + " " + quoted(mountPoint_));
    if (mounted.first != 0) {
        skipReason_ = mountTool + " failed: " + mounted.second;
        return;
    }
    mounted_ = true;
}

FuseMount::~FuseMount() {
    if (mounted_) {
        // A file system still busy (a test that failed half-way) is taken off lazily.
        if (run("umount " + quoted(mountPoint_)).first != 0) {
            run("umount --lazy " + quoted(mountPoint_));
        }
    }
    if (!loopDevice_.empty()) {
        run("losetup --detach " + loopDevice_);
    }
}

} // namespace orvane::test
