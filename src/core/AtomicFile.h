#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mellox {

// Writes a whole file so that a crash or a failed write never leaves a partial
// file where a good one stood: the bytes go to a unique temporary in the same
// folder, which is then renamed over the target. On failure the temporary is
// removed, the old file is kept, and VBError is raised (61 disk full,
// 70 permission denied, 76 path not found, 75 otherwise). The folder must exist.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Removes the temporaries WriteFileAtomic left in the folder when saves were
// killed between write and rename: those of every file whose name ends in
// extension and, given a copy's suffix, of its copies "<name><suffix>" and
// "<name><suffix>.N". Only names of its own form are touched.
void RemoveLeftoverTemporaries(const std::filesystem::path& folder, std::string_view extension,
                               std::string_view copySuffix = {});

// Replaces the last oldEnd.size() bytes of a file by newEnd where they stand, so a
// file that only grows costs the new bytes, not its length. A missing file is
// made when oldEnd is empty. Returns the new size; returns nothing and writes
// nothing when the file is not as the caller knew it (another size than
// expectedSize, or an end other than oldEnd, or missing while oldEnd is not
// empty). Bytes before the replaced end are never touched. A write that fails
// part way (a full disk) is taken back: the file is cut to its old size and
// oldEnd put back, so a retry writes every byte once; VBError is then raised as
// by WriteFileAtomic. Should even that fail, the file is left with a torn end
// that no longer matches oldEnd, which the next call reports as a mismatch.
std::optional<std::uint64_t> ReplaceFileEnd(const std::filesystem::path& path, std::string_view oldEnd,
                                            std::string_view newEnd,
                                            std::optional<std::uint64_t> expectedSize = std::nullopt);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

// Test seam: called at "open", "write", "close" and "rename" of a whole write and
// at "append" and "restore" of ReplaceFileEnd; a non-zero errno makes that step
// fail as if the system had returned it ("append" after writing half the bytes,
// as a disk that fills up mid-write). Also called at "appended", once the new
// end is written, where what it returns is ignored. Empty to clear.
void SetAtomicWriteFaultForTesting(std::function<int(std::string_view stage)> injector);

// Test seam: a nearly full disk, where a write that needs more than that many
// new bytes fails with ENOSPC (a whole write at "write", an append half way),
// and smaller ones succeed. Nothing (std::nullopt) ends it.
void SetWriteRoomForTesting(std::optional<std::uint64_t> bytes);

}  // namespace mellox
