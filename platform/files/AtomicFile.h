#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace orvane::AtomicFile {

// Writes the bytes to a temporary file beside `path` and renames it into place, so that readers
// see either the old file or the whole new one. The temporary file is unnamed where the filesystem
// allows it, else a hidden file that is removed on every failure and on SIGINT, SIGTERM and SIGHUP. An
// existing file at `path` is replaced. The bytes, then the new name, are made durable (fsync). With a
// `modificationDate`, the file carries it from the moment it appears (Linux keeps no settable creation date;
// the access date gets it too); a date that cannot be set is no failure. On failure nothing is left behind
// and FileError (fileWriteUnknown) is thrown, naming the path and why.
void write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
           std::optional<std::chrono::system_clock::time_point> modificationDate = std::nullopt);

// Copies the file at `source` to `destination` the same way: the copy is made beside
// `destination` and renamed over it only once complete, so that a failed copy (an unreadable
// source, an unwritable folder, a full disk) leaves whatever was at `destination` untouched.
// Throws FileError (fileWriteUnknown) and leaves nothing behind on failure.
void copy(const std::filesystem::path& source, const std::filesystem::path& destination);

// As `write`, but never replaces anything: when `path` is taken (by a file, a folder, a pipe or
// anything else, which is never opened), " 2", " 3" and so on go before its extension until a free
// name is found, also when other writers pick names in the same folder at the same time. Returns the
// name used. Where the new name can only be given as a hard link (see Operations) and the hidden
// temporary name then can't be removed, the file stays saved and the FileError thrown says so,
// naming the copy left beside it.
std::filesystem::path
writeNew(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
         std::optional<std::chrono::system_clock::time_point> modificationDate = std::nullopt);

// Throws the FileError that writing a file at `path` would meet now because of its folder (missing,
// not a folder, not writable, on a read-only disk), so that a caller can refuse before long work.
void checkWritable(const std::filesystem::path& path);

// What a write uses where the file system has it: files that have no name until they are complete
// (O_TMPFILE), a rename that never replaces (RENAME_NOREPLACE) and hard links. exFAT, NTFS through
// ntfs-3g, bindfs and most network file systems lack some of them; a write then takes a road without,
// keeping the same promises: nothing is replaced that the caller did not ask to replace, and a
// failure or a stopping signal leaves nothing. Only SIGKILL or a power cut can leave more there than
// with unnamed files: a hidden partial file, and without the last two also an empty file under the
// final name. A test turns an operation off, which then fails as on exFAT, to try the road taken
// without it on any file system.
//
// A test can also make the calls that create, name or remove a file answer as a troubled file
// system would: `interfere` is asked before each of them with the name in the target's folder that
// the call concerns, and an error number it returns is that call's answer (0 lets the call run). It
// may change the folder meanwhile, as another program could.
enum class Call { create, link, rename, remove };
struct Operations {
    bool unnamedFiles = true;
    bool renameWithoutReplacing = true;
    bool hardLinks = true;
    std::function<int(Call call, const std::string& name)> interfere = nullptr;
};
void setOperations(Operations allowed);

// "name.ext" → "name 2.ext" for n = 2; a name at the file system's length limit gives up the end of
// its stem to the number, so that the numbered name can be written too.
std::filesystem::path numbered(const std::filesystem::path& path, int n);

} // namespace orvane::AtomicFile
