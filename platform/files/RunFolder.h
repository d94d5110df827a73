#pragma once

#include <filesystem>

namespace orvane {

// A folder of this process's own inside a folder that every run of the program shares, for files
// that must stay while the process runs but not much longer (prepared exports). The process holds
// a lock on its folder while it runs, so that no other run takes the folder for a leftover; making
// one first removes whatever in the shared folder no running process holds: the folders of runs
// that have ended, which leave their files behind, and files that versions without run folders
// put there directly.
class RunFolder {
public:
    // Makes the shared folder's leftovers go and a new locked folder "run-XXXXXX" in it. Throws
    // FileError (fileWriteUnknown) naming the shared folder when the new one cannot be made.
    explicit RunFolder(const std::filesystem::path& shared);
    // Lets the lock go, so that the next run removes what is left; the files stay until then, as
    // a program the user handed one to may still be reading it. An empty folder goes at once.
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Removes every entry of `shared` that no running process holds locked.
    static void removeEnded(const std::filesystem::path& shared);

private:
    std::filesystem::path path_;
    int lock_ = -1;
};

} // namespace orvane
