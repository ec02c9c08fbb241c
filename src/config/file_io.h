#pragma once
// Whole-file reading and safe replacing of the configuration file.
#include <cstddef>
#include <string>
#include <string_view>

namespace pelko {

// Larger files are refused as unreadable. The largest configuration (254
// controllers with 1010 cards each) is about 21 MiB; parsing takes up to 25
// times the file's size for hostile markup, so a stray file of this size
// costs at most some 1.5 GiB.
inline constexpr std::size_t kMaxConfigFileSize = 64u << 20;

inline constexpr const char* kTextOpenFailed = "Не удалось открыть файл.";
inline constexpr const char* kTextSaveFailed = "Не удалось сохранить файл.";

// Why a file step failed, for the user: Russian words for the usual errno
// values, the system's text for the rest.
std::string FileErrorText(int error);

struct FileResult {
    bool ok = false;
    int error = 0;  // errno of the failing step
};

// createIfMissing: a missing file is created empty (and read as empty).
FileResult ReadWholeFile(const std::string& path, std::string& bytes, bool createIfMissing = false);

// Steps of a safe save that a test makes fail, each with the errno it
// reports; 0 = the step runs for real. A failed write has written half.
struct SaveFaults {
    int write = 0;
    int flush = 0;
    int rename = 0;
};

// Who may read a file the save creates: Shared takes the umask; Private
// (files holding passwords: backups, a read's configuration) is the
// owner's alone, 0600. A file that exists keeps its mode either way.
enum class FileAccess { Shared, Private };

// Writes the bytes to a new file beside the target and renames it over the
// target only when all of it is on disk; on failure the old file is left as
// it was and the temporary file is removed. A target that may not be written
// (read-only, or not ours to write) is refused with EACCES, not replaced.
FileResult WriteFileSafely(const std::string& path, std::string_view bytes, const SaveFaults& faults = {},
                           FileAccess access = FileAccess::Shared);
inline FileResult WriteFileSafely(const std::string& path, std::string_view bytes, FileAccess access) {
    return WriteFileSafely(path, bytes, SaveFaults{}, access);
}

}  // namespace pelko
