// Linked into every test program: backups and the journal of changes that
// the window and pelkoctl keep in the user's folders go to a folder of this
// test process instead, and so do those of the programs it starts.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

class TestHome {
public:
    TestHome() {
        std::error_code ec;
        FPath = std::filesystem::temp_directory_path(ec) / ("pelko-test-home-" + std::to_string(::getpid()));
        SetEnv("XDG_DATA_HOME", (FPath / "data").string());
        SetEnv("XDG_STATE_HOME", (FPath / "state").string());
        SetEnv("LOCALAPPDATA", (FPath / "local").string());
    }
    ~TestHome() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

private:
    std::filesystem::path FPath;
};

const TestHome kTestHome;

}  // namespace
