#pragma once

#include "tests/support/TemporaryDirectory.h"

#include <filesystem>
#include <string>

namespace orvane::test {

// A small disk image mounted through FUSE on a fresh folder for as long as the object lives: exFAT
// through exfat-fuse, NTFS through ntfs-3g, as Debian mounts memory cards and Windows disks. They
// lack operations that Linux's own file systems have (unnamed files, renames that never replace,
// and on exFAT hard links). Mounting needs root, /dev/fuse, a loop device and the tools; where the
// machine lacks one, nothing is mounted and `skipReason` says why.
class FuseMount {
public:
    enum class Type { exfat, ntfs };
    FuseMount(Type type, bool readOnly = false);
    ~FuseMount(); // unmounts and detaches the loop device, whatever the test did
    FuseMount(const FuseMount&) = delete;
    FuseMount& operator=(const FuseMount&) = delete;

    // Empty once mounted.
    const std::string& skipReason() const { return skipReason_; }
    const std::filesystem::path& path() const { return mountPoint_; }
    static std::string name(Type type) { return type == Type::exfat ? "exFAT" : "NTFS"; }

private:
    TemporaryDirectory folder_;
    std::filesystem::path mountPoint_;
    std::string loopDevice_;
    bool mounted_ = false;
    std::string skipReason_;
};

} // namespace orvane::test
