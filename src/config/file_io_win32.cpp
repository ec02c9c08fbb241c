#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

#include "config/file_io.h"
#include "platform/win32_text.h"

namespace pelko {

namespace {

// The callers speak errno (strerror, the save message's reasons).
int ErrnoOf(DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return ENOMEM;
        default: return EIO;
    }
}

FileResult Fail(int error) { return FileResult{false, error}; }
FileResult FailLast() { return Fail(ErrnoOf(::GetLastError())); }

class Handle {
public:
    explicit Handle(HANDLE h) : FH(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return FH; }
    bool valid() const { return FH != INVALID_HANDLE_VALUE; }
    bool Close() {
        const bool ok = !valid() || ::CloseHandle(FH) != 0;
        FH = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE FH;
};

bool WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD done = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &done, nullptr) || done == 0) return false;
        bytes.remove_prefix(done);
    }
    return true;
}

// A new file beside the target, ours alone; its name in temp.
HANDLE CreateTemp(const std::wstring& target, std::wstring& temp) {
    std::random_device rd;
    for (int i = 0; i < 100; ++i) {
        temp = target + L"." + std::to_wstring(rd() % 1000000u) + L".tmp";
        const HANDLE h =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

FileResult ReadWholeFile(const std::string& path, std::string& bytes, bool createIfMissing) {
    const std::wstring name = win32::Widen(path);
    Handle h(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           createIfMissing ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        // A folder cannot be opened as a file: said as on Linux, not as "no access".
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return Fail(EINVAL);
        return FailLast();
    }
    // A device (a COM port, CON) is refused instead of waited on.
    if (::GetFileType(h.get()) != FILE_TYPE_DISK) return Fail(EINVAL);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h.get(), &size)) return FailLast();
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxConfigFileSize) return Fail(EFBIG);
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t got = 0;
    while (got < data.size()) {
        DWORD n = 0;
        if (!::ReadFile(h.get(), data.data() + got, static_cast<DWORD>(data.size() - got), &n, nullptr))
            return FailLast();
        if (n == 0) break;  // the file shrank meanwhile
        got += n;
    }
    data.resize(got);
    bytes = std::move(data);
    return FileResult{true, 0};
}

// The user's profile folders are the user's own: no mode to set here.
FileResult WriteFileSafely(const std::string& path, std::string_view bytes, const SaveFaults& faults, FileAccess) {
    const std::wstring target = win32::Widen(path);
    const DWORD attrs = ::GetFileAttributesW(target.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return Fail(EACCES);
    std::wstring temp;
    Handle h(CreateTemp(target, temp));
    if (!h.valid()) return FailLast();
    int error = 0;
    if (faults.write != 0)
        error = WriteAll(h.get(), bytes.substr(0, bytes.size() / 2)) ? faults.write : ErrnoOf(::GetLastError());
    else if (!WriteAll(h.get(), bytes))
        error = ErrnoOf(::GetLastError());
    else if (faults.flush != 0)
        error = faults.flush;
    else if (!::FlushFileBuffers(h.get()))
        error = ErrnoOf(::GetLastError());
    if (!h.Close() && error == 0) error = ErrnoOf(::GetLastError());
    if (error == 0 && faults.rename != 0) error = faults.rename;
    if (error == 0 && !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ErrnoOf(::GetLastError());
    if (error != 0) {
        ::DeleteFileW(temp.c_str());
        return Fail(error);
    }
    return FileResult{true, 0};
}

}  // namespace pelko
