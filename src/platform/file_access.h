#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/record_file.h"
#include "program/result.h"

namespace platform {

// Well-known trustees, as the system writes their SIDs.
inline constexpr char EVERYONE_SID[] = "S-1-1-0";
inline constexpr char SYSTEM_SID[] = "S-1-5-18";

enum class AccessKind : std::uint8_t { allow, deny, other };

// What an entry allows or denies. `reading` is exactly what a read denial
// denies: the file's data, attributes and extended attributes, but not its
// permissions, which whoever opens the file again must still read and change.
// Every other set of rights is `other`.
enum class AccessRights : std::uint8_t { reading, other };

// One entry of a file's own access list.
struct AccessEntry {
    AccessKind kind = AccessKind::other;
    std::string trustee; // the SID as text ("S-1-1-0"); empty for an entry of another kind
    AccessRights rights = AccessRights::other;
    bool operator==(const AccessEntry&) const = default;
};

// The entries of a file's access list that are its own (not inherited from
// its folder). Exists so that the lock's rule for the driver's setup files can
// be tested against files in memory. A missing file fails with an error marked
// `missing`; the file is never created.
class FileAccess {
public:
    virtual ~FileAccess() = default;
    // The file's own entries, in their order.
    virtual program::Result<std::vector<AccessEntry>, FileError> own_entries(const std::string& path) = 0;
    // Adds an entry denying reading to each trustee, in that order, ahead of
    // every other entry (deny entries come first, as Windows orders them);
    // every other entry stays as it was, in its order.
    virtual program::Result<void, FileError> deny_reading(const std::string& path,
                                                          const std::vector<std::string>& trustees) = 0;
    // Removes every entry that denies reading, and nothing else, to one of the
    // trustees; every other entry stays as it was, in its order.
    virtual program::Result<void, FileError> remove_read_denials(const std::string& path,
                                                                 const std::vector<std::string>& trustees) = 0;
};

} // namespace platform
