// Load and save times of configuration files with 254, 25 and 3 fully
// loaded controllers (1010 cards each), our parse against pugixml's on the
// same bytes, and the peak memory of one load. Prints figures; asserts nothing.
#include <malloc.h>
#include <pugixml.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/config_reader.h"
#include "config/config_writer.h"
#include "config/file_io.h"
#include "config/xml_parser.h"

namespace {

using namespace pelko;

void FillGroup(TGroupDev& g, int devices) {
    for (int d = 0; d < devices; ++d) {
        const DevIndex i = g.AddDevice(static_cast<std::uint8_t>(d + 1));
        g.SetState(i, dfInGroup);
        TConfPelko* dev = g.GetDevice(i, nullptr);
        for (int c = 0; c < kCellCount; ++c) {
            const TCode code = {static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(c >> 8),
                                static_cast<std::uint8_t>(c), 0x5A, 0xA5};
            dev->AddCard(static_cast<std::uint16_t>(c), code, "Сотрудник " + std::to_string(c) + " \"отдел\"");
        }
    }
}

double BestMs(int runs, const std::function<void()>& f) {
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

struct Figures {
    std::size_t bytes;
    double saveMs;
    double loadMs;
};

Figures Measure(int devices, std::string* keep) {
    ProgramSettings s;
    TGroupDev g;
    FillGroup(g, devices);
    SilentConfigHost host;
    std::string file;
    const double saveMs = BestMs(5, [&] { file = SaveToFile(s, g, host); });
    // Each loaded group is freed after the clock stops: tearing down is not loading.
    double loadMs = 1e300;
    for (int r = 0; r < 5; ++r) {
        ProgramSettings s2;
        TGroupDev g2;
        std::string bytes = file;  // as read from disk, handed over whole
        loadMs = std::min(loadMs, BestMs(1, [&] { ReadFromFile(std::move(bytes), s2, g2, host); }));
    }
    if (keep) *keep = file;
    return {file.size(), saveMs, loadMs};
}

// Peak resident memory of this process image (VmHWM; unlike ru_maxrss it
// starts afresh at exec).
long MaxRssKb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb;
}

// A load in a fresh process of its own, so that the figure is this load's
// peak and not memory left over from the runs before.
int PeakMemoryChild(const char* path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes).ok) return 1;
    const long before = MaxRssKb();
    ProgramSettings s;
    TGroupDev g;
    SilentConfigHost host;
    const std::size_t size = bytes.size();
    ReadFromFile(std::move(bytes), s, g, host);
    std::printf("peak memory of one load: %.1f MiB (%.1f MiB above the file read into memory, file %.1f MiB)\n",
                MaxRssKb() / 1024.0, (MaxRssKb() - before) / 1024.0, size / 1048576.0);
    return 0;
}

void PeakMemoryOfLoad(const std::string& file) {
    char path[] = "/tmp/bench_config_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return;
    close(fd);
    if (!WriteFileSafely(path, file).ok) return;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/proc/self/exe", "bench_config", "--peak", path, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    unlink(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak") return PeakMemoryChild(argv[2]);
    // Keep freed memory in the process so that every size runs on warm pages;
    // otherwise only the small files would.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    std::string largest;
    const Figures big = Measure(254, &largest);
    const Figures tenth = Measure(25, nullptr);
    const Figures hundredth = Measure(3, nullptr);
    std::printf("%-10s %12s %10s %10s\n", "devices", "bytes", "save ms", "load ms");
    const std::pair<int, Figures> rows[] = {{254, big}, {25, tenth}, {3, hundredth}};
    for (const auto& [n, f] : rows) std::printf("%-10d %12zu %10.2f %10.2f\n", n, f.bytes, f.saveMs, f.loadMs);
    std::printf("load ratio 254/25: %.2f (size ratio %.2f)\n", big.loadMs / tenth.loadMs,
                double(big.bytes) / double(tenth.bytes));
    std::printf("save ratio 254/25: %.2f\n", big.saveMs / tenth.saveMs);

    TSimpleXMLParser ours;
    const double oursMs = BestMs(5, [&] { ours.Parse(largest); });
    // pugixml is told the bytes are UTF-8 so that, like ours, it converts nothing.
    const double pugiMs = BestMs(5, [&] {
        pugi::xml_document doc;
        doc.load_buffer(largest.data(), largest.size(), pugi::parse_default, pugi::encoding_utf8);
    });
    std::printf("parse of the largest file: ours %.2f ms, pugixml %.2f ms, ratio %.2f\n", oursMs, pugiMs,
                oursMs / pugiMs);
    PeakMemoryOfLoad(largest);
    return 0;
}
