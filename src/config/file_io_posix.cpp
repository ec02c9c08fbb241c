#include "config/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace pelko {

namespace {

FileResult Fail(int error) { return FileResult{false, error}; }

// The file the name stands for: a link is followed so that saving replaces
// the file it points to, not the link.
std::string RealTarget(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    return path;
}

// Replacing the file by renaming needs no write access to the file itself,
// so the protection a read-only file stands for is checked here.
bool MayReplace(const std::string& target, const struct stat& st) {
    return (st.st_mode & 0222) != 0 && ::access(target.c_str(), W_OK) == 0;
}

// umask(2) reads only by setting, which would race with any other thread
// creating a file; the kernel shows the mask in the process status instead.
mode_t NewFileMode() {
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0) mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

FileResult ReadWholeFile(const std::string& path, std::string& bytes, bool createIfMissing) {
    // Non-blocking so that a pipe or a terminal is refused below instead of
    // waiting for a writer or a carrier; reading a regular file is unaffected.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (createIfMissing ? O_CREAT : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return Fail(errno);
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (static_cast<std::size_t>(st.st_size) > kMaxConfigFileSize)
        error = EFBIG;
    if (error != 0) {
        ::close(fd);
        return Fail(error);
    }
    std::string data;
    data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            ::close(fd);
            return Fail(error);
        }
        if (n == 0) break;  // the file shrank meanwhile
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    data.resize(got);
    bytes = std::move(data);
    return FileResult{true, 0};
}

FileResult WriteFileSafely(const std::string& path, std::string_view bytes, const SaveFaults& faults,
                           FileAccess access) {
    const std::string target = RealTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !MayReplace(target, st)) return Fail(EACCES);
    const mode_t mode = exists ? (st.st_mode & 07777) : access == FileAccess::Private ? 0600 : NewFileMode();
    std::string temp = target + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return Fail(errno);
    temp.assign(name.data());
    int error = 0;
    if (::fchmod(fd, mode) != 0)
        error = errno;
    else if (faults.write != 0)
        error = WriteAll(fd, bytes.substr(0, bytes.size() / 2)) ? faults.write : errno;
    else if (!WriteAll(fd, bytes))
        error = errno;
    else if (faults.flush != 0)
        error = faults.flush;
    else if (::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && faults.rename != 0) error = faults.rename;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return Fail(error);
    }
    return FileResult{true, 0};
}

}  // namespace pelko
