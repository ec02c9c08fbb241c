#pragma once
// Whole-file reading and safe replacing of the configuration file.
#include <cstddef>
#include <string>
#include <string_view>

namespace pelko {

// Larger files are refused as unreadable: no configuration comes near it,
// and it keeps a stray file from taking all memory.
inline constexpr std::size_t kMaxConfigFileSize = 256u << 20;

inline constexpr const char* kTextOpenFailed = "Не удалось открыть файл.";
inline constexpr const char* kTextSaveFailed = "Не удалось сохранить файл.";

struct FileResult {
    bool ok = false;
    int error = 0;  // errno of the failing step
};

// createIfMissing: a missing file is created empty (and read as empty).
FileResult ReadWholeFile(const std::string& path, std::string& bytes, bool createIfMissing = false);

// Writes the bytes to a new file beside the target and renames it over the
// target only when all of it is on disk; on failure the old file is left as
// it was and the temporary file is removed.
FileResult WriteFileSafely(const std::string& path, std::string_view bytes);

}  // namespace pelko
