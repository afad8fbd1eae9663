#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace mellox {

// Writes a whole file so that a crash or a failed write never leaves a partial
// file where a good one stood: the bytes go to a unique temporary in the same
// folder, which is then renamed over the target. On failure the temporary is
// removed, the old file is kept, and VBError is raised (61 disk full,
// 70 permission denied, 76 path not found, 75 otherwise). The folder must exist.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Removes the temporaries WriteFileAtomic left beside path when a save was
// killed between write and rename. Only names of its own form are touched.
void RemoveLeftoverTemporaries(const std::filesystem::path& path);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

// Test seam: called at "open", "write", "close" and "rename"; a non-zero errno
// makes that step fail as if the system had returned it. Empty to clear.
void SetAtomicWriteFaultForTesting(std::function<int(std::string_view stage)> injector);

}  // namespace mellox
