#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// File systems refuse a name longer than 255 bytes (ext4, Btrfs, XFS, tmpfs; exFAT and NTFS count
// UTF-16 units, of which a UTF-8 name of 255 bytes never has more). Names made from a photo's own
// name get longer than it, so they are shortened to fit.
namespace orvane::FileNameLength {

inline constexpr std::size_t maxBytes = 255;

// `stem` shortened, at the end and never inside a UTF-8 character, so that it and `ending` take at
// most `limit` bytes together; whole when they fit. `ending` (a suffix such as "-4x" and the
// extension) is always kept whole.
std::string fittedStem(std::string_view stem, std::string_view ending, std::size_t limit = maxBytes);

// `fittedStem` followed by `ending`: "beach-4x.png", or as much of a long photo name as leaves room
// for "-4x.png".
std::string fittedName(std::string_view stem, std::string_view ending, std::size_t limit = maxBytes);

} // namespace orvane::FileNameLength
