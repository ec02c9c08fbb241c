// Figures of the main window: start-up to the first painted frame, opening a
// file of 254 fully loaded controllers through the window against the bare
// load of the same file, and user actions on a list of 1000 cards. Each
// figure is the median, the maximum and the best of several runs. Prints
// figures; asserts nothing.
//   bench_ui             all figures
//   bench_ui --cards     the list of 1000 cards only
//   bench_ui --startup                  one cold start
//   bench_ui --open-bare|--open-window FILE  one first load in a fresh process
// (the program runs itself in these ways)
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/config_reader.h"
#include "config/config_writer.h"
#include "config/file_io.h"
#include "controls/ac_grid.h"
#include "controls/accessible_grids.h"
#include "controls/ys_grid.h"
#include "ui/dialogs/progress_form.h"
#include "ui/main_form.h"

namespace {

using namespace pelko;
using Clock = std::chrono::steady_clock;

constexpr int kStartRuns = 9;
constexpr int kOpenRuns = 9;
constexpr int kColdOpenRuns = 7;
constexpr int kActionRounds = 11;
constexpr int kScrollSweeps = 3;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

long long Ns(Clock::time_point t) {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
double Min(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

void Figure(const char* what, const std::vector<double>& v, const char* note = "") {
    std::printf("  %-52s median %7.2f ms  max %7.2f ms  (best %7.2f, %zu runs)%s\n", what, Median(v), Max(v), Min(v),
                v.size(), note);
}

std::string LoadAverage() {
    char text[128] = {};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fgets(text, sizeof text, f) == nullptr) text[0] = 0;
        std::fclose(f);
    }
    std::string s(text);
    // The three averages only.
    for (int field = 0, i = 0; i < static_cast<int>(s.size()); ++i)
        if (s[i] == ' ' && ++field == 3) return s.substr(0, i);
    return s;
}

// Lets a lambda watch another object's events.
class TWatch : public QObject {
public:
    explicit TWatch(std::function<bool(QObject*, QEvent*)> watch) : FWatch(std::move(watch)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return FWatch(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> FWatch;
};

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void ShowAndSettle(TMainForm& form) {
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) std::printf("  (the window was not exposed)\n");
    Settle();
}

// --- 1. start-up -------------------------------------------------------------

struct TStartStamps {
    Clock::time_point Built, Shown, FirstPaint, GridPaint, FrameDone;
    const char* FirstName = "none";
};

// Constructs the window as the program does, shows it and runs the loop
// until the card grid has been drawn in the first frame.
TStartStamps BuildAndPaint() {
    TStartStamps s;
    TMainForm window{TStartOptions{}};
    s.Built = Clock::now();
    QWidget* central = window.centralWidget();
    TYSGrid* grid = window.CardGrid();
    QWidget* gridView = grid->viewport();
    QEventLoop loop;
    TWatch watch([&](QObject* o, QEvent* e) {
        if (e->type() != QEvent::Paint) return false;
        const Clock::time_point now = Clock::now();
        if (s.FirstPaint == Clock::time_point{}) {
            s.FirstPaint = now;
            s.FirstName = o == central ? "central widget" : "card grid";
        }
        if (o == gridView && s.GridPaint == Clock::time_point{}) {
            s.GridPaint = now;
            // Runs once the whole paint pass, and its flush, is over.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        }
        return false;
    });
    for (QObject* o : {static_cast<QObject*>(central), static_cast<QObject*>(grid), static_cast<QObject*>(gridView)})
        o->installEventFilter(&watch);
    window.show();
    s.Shown = Clock::now();
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    s.FrameDone = Clock::now();
    for (QObject* o : {static_cast<QObject*>(central), static_cast<QObject*>(grid), static_cast<QObject*>(gridView)})
        o->removeEventFilter(&watch);
    return s;
}

void InitApplication() {
    QApplication::setApplicationName(QStringLiteral("ConfPelkoQ250"));
    QApplication::setOrganizationName(QStringLiteral("ConfPelko"));
    InstallAccessibleGrids();
}

// One cold start in this fresh process; prints the stamps for the parent.
int StartupChild(int argc, char** argv) {
    const Clock::time_point begin = Clock::now();
    QApplication app(argc, argv);
    InitApplication();
    const Clock::time_point appMade = Clock::now();
    const TStartStamps s = BuildAndPaint();
    if (s.GridPaint == Clock::time_point{}) return 1;
    std::printf("%lld %lld %lld %lld %lld %lld %lld %s\n", Ns(begin), Ns(appMade), Ns(s.Built), Ns(s.Shown),
                Ns(s.FirstPaint), Ns(s.GridPaint), Ns(s.FrameDone), s.FirstName);
    return 0;
}

// Runs this program again with the arguments and returns what it printed;
// forked: when the parent forked.
std::string RunSelf(const std::vector<std::string>& args, Clock::time_point& forked) {
    std::vector<char*> argv{const_cast<char*>("bench_ui")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(stdout);
    forked = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : std::string();
}

// A cold start cannot be measured twice in one process (fonts, styles and
// libraries are warm after the first), so each run is a fresh process of
// this program. Must run before this process makes its QApplication.
void StartupFigures() {
    std::vector<double> exec, app, build, show, first, frame, fromApp, fromBuild, launch;
    std::string firstNames;
    for (int run = 0; run < kStartRuns; ++run) {
        Clock::time_point forked;
        const std::string out = RunSelf({"--startup"}, forked);
        long long t[7];
        char name[32] = {};
        if (std::sscanf(out.c_str(), "%lld %lld %lld %lld %lld %lld %lld %31[^\n]", &t[0], &t[1], &t[2], &t[3], &t[4],
                        &t[5], &t[6], name) != 8) {
            std::printf("  start-up run %d failed\n", run);
            continue;
        }
        const auto at = [](long long ns) { return Clock::time_point(std::chrono::nanoseconds(ns)); };
        exec.push_back(Ms(forked, at(t[0])));
        app.push_back(Ms(at(t[0]), at(t[1])));
        build.push_back(Ms(at(t[1]), at(t[2])));
        show.push_back(Ms(at(t[2]), at(t[3])));
        first.push_back(Ms(at(t[0]), at(t[4])));
        frame.push_back(Ms(at(t[0]), at(t[6])));
        fromApp.push_back(Ms(at(t[1]), at(t[4])));
        fromBuild.push_back(Ms(at(t[3]), at(t[4])));
        launch.push_back(Ms(forked, at(t[4])));
        if (firstNames.find(name) == std::string::npos) firstNames += std::string(firstNames.empty() ? "" : ", ") + name;
    }
    std::printf("1. Start-up, each run a fresh process (the program runs itself with --startup); target <= 400 ms\n");
    Figure("fork+exec to main (loading the libraries)", exec);
    Figure("QApplication constructed", app);
    Figure("TMainForm constructed", build);
    Figure("show()", show);
    Figure("first paint after show()", fromBuild);
    Figure("after QApplication: construct, show, first paint", fromApp);
    Figure("main() .. first paint (with QApplication)", first);
    Figure("main() .. first frame wholly drawn", frame);
    Figure("fork .. first paint (the launch included)", launch);
    std::printf("  first Paint went to: %s\n", firstNames.c_str());
}

// The same in this process after a first window: what a warm start costs.
void WarmStartFigures() {
    std::vector<double> build, first, frame;
    BuildAndPaint();
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point begin = Clock::now();
        const TStartStamps s = BuildAndPaint();
        build.push_back(Ms(begin, s.Built));
        first.push_back(Ms(begin, s.FirstPaint));
        frame.push_back(Ms(begin, s.FrameDone));
        Settle();
    }
    Figure("warm, same process: TMainForm constructed", build);
    Figure("warm, same process: construction .. first paint", first);
    Figure("warm, same process: construction .. frame drawn", frame);
}

// --- 2. opening the largest file ------------------------------------------------

void FillCards(TConfPelko& dev, int d) {
    for (int c = 0; c < kCellCount; ++c) {
        const TCode code = {static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(c >> 8),
                            static_cast<std::uint8_t>(c), 0x5A, 0xA5};
        dev.AddCard(static_cast<std::uint16_t>(c), code, "Сотрудник " + std::to_string(c) + " \"отдел\"");
    }
}

// 254 controllers with every cell taken, as the configuration benchmark makes them.
std::string LargestFile() {
    ProgramSettings s;
    TGroupDev g;
    for (int d = 0; d < 254; ++d) {
        const DevIndex i = g.AddDevice(static_cast<std::uint8_t>(d + 1));
        g.SetState(i, dfInGroup);
        FillCards(*g.GetDevice(i, nullptr), d);
    }
    SilentConfigHost host;
    return SaveToFile(s, g, host);
}

// A pseudo-terminal for port 1 that nobody answers: the window's port opens,
// so the file is applied, and every request times out. What the window
// writes is read away so that the line never blocks.
class TSilentLine {
public:
    bool Open() {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY);
        if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) return false;
        const char* name = ptsname(FMaster);
        if (name == nullptr) return false;
        FSlave = name;
        FDrain = std::thread([this] { Drain(); });
        return true;
    }
    ~TSilentLine() {
        FStop.store(true);
        if (FDrain.joinable()) FDrain.join();
        if (FMaster >= 0) close(FMaster);
    }
    const std::string& SlavePath() const { return FSlave; }

private:
    void Drain() {
        char buf[256];
        while (!FStop.load()) {
            pollfd p{FMaster, POLLIN, 0};
            const int r = poll(&p, 1, 20);
            if (r > 0 && (p.revents & POLLIN)) {
                if (read(FMaster, buf, sizeof buf) < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) break;
            } else if (r > 0) {
                // No slave open at the moment: the master only reports the hang-up.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    }

    int FMaster = -1;
    std::string FSlave;
    std::thread FDrain;
    std::atomic<bool> FStop{false};
};

struct TOpenRun {
    double ToSearch = 0;      // OpenConfigFile called .. the group search shows its progress window
    double Draw = 0;          // laying out and repainting the window at that moment
    double CancelReturn = 0;  // Cancel pressed .. OpenConfigFile returned (not counted)
    double RepaintAfter = 0;  // repaint() of the window after it returned
    bool Searched = false;
    bool DrawnBoth = false;  // both repaints drew the device grid and the card list
    int Boxes = 0;
    int Devices = 0;
    int Cards = 0;
};

// A repaint of the window skips opaque children that are not dirty, such as
// the grids' viewports: they are marked first so that the grids surely draw.
void RepaintWindow(TMainForm& form) {
    form.GridDev()->viewport()->update();
    form.CardGrid()->viewport()->update();
    form.repaint();
}

TOpenRun OpenThroughWindow(const QString& path, const std::string& linePath) {
    TOpenRun run;
    TStartOptions options;
    std::string error;
    options.Ports.AddMapping("1=" + linePath, error);
    options.MappedPorts = {1};
    TMainForm form(options);
    form.BoxHook = [&run](const std::string&, const std::string&, TMsgIcon) {
        ++run.Boxes;
        return true;
    };
    ShowAndSettle(form);
    TProgressForm* progress = form.ProgressForm();
    QWidget* devices = form.GridDev()->viewport();
    QWidget* cards = form.CardGrid()->viewport();
    int devicePaints = 0, cardPaints = 0;
    TWatch paints([&](QObject* o, QEvent* e) {
        if (e->type() == QEvent::Paint) ++(o == devices ? devicePaints : cardPaints);
        return false;
    });
    devices->installEventFilter(&paints);
    cards->installEventFilter(&paints);
    bool drawnAtSearch = false;
    Clock::time_point start, searching, drawn;
    // The load is over when the search after it shows its progress window;
    // the window is drawn then, and the search is cancelled as a user would.
    TWatch watch([&](QObject* o, QEvent* e) {
        if (o != progress || e->type() != QEvent::Show || run.Searched) return false;
        searching = Clock::now();
        run.Searched = true;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        devicePaints = cardPaints = 0;
        RepaintWindow(form);
        drawn = Clock::now();
        drawnAtSearch = devicePaints > 0 && cardPaints > 0;
        QMetaObject::invokeMethod(progress->CancelButton(), &QAbstractButton::click, Qt::QueuedConnection);
        return false;
    });
    progress->installEventFilter(&watch);
    start = Clock::now();
    form.OpenConfigFile(path);
    const Clock::time_point returned = Clock::now();
    devicePaints = cardPaints = 0;
    RepaintWindow(form);
    const Clock::time_point repainted = Clock::now();
    run.DrawnBoth = drawnAtSearch && devicePaints > 0 && cardPaints > 0;
    progress->removeEventFilter(&watch);
    devices->removeEventFilter(&paints);
    cards->removeEventFilter(&paints);
    run.RepaintAfter = Ms(returned, repainted);
    if (run.Searched) {
        run.ToSearch = Ms(start, searching);
        run.Draw = Ms(searching, drawn);
        run.CancelReturn = Ms(drawn, returned);
    } else {
        run.ToSearch = Ms(start, returned);
    }
    TGroupDev& g = form.DevGroup();
    run.Devices = g.Count();
    if (const TConfPelko* dev = g.GetDevice(0, nullptr)) run.Cards = dev->CardCount(false) + dev->CardCount(true);
    return run;
}

double BareLoad(const std::string& path, int& devices) {
    ProgramSettings s;
    TGroupDev g;
    SilentConfigHost host;
    const Clock::time_point start = Clock::now();
    std::string bytes;
    ReadWholeFile(path, bytes);
    ReadFromFile(std::move(bytes), s, g, host);
    const double ms = Ms(start, Clock::now());
    devices = g.Count();
    return ms;  // tearing the group down is not loading
}

void OpenFigures() {
    std::printf("2. Opening a file of 254 controllers x 1010 cards; target: the window adds <= 50 %% to the bare load\n");
    char path[] = "/tmp/bench_ui_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return;
    close(fd);
    const std::string file = LargestFile();
    if (!WriteFileSafely(path, file).ok) {
        std::printf("  could not write %s\n", path);
        return;
    }
    TSilentLine line;
    if (!line.Open()) {
        std::printf("  no pseudo-terminal for port 1: skipped\n");
        unlink(path);
        return;
    }
    std::vector<double> bare, window, toSearch, draw, cancel, repaint, total;
    int bareDevices = 0;
    TOpenRun last;
    bool allSearched = true, allDrawn = true;
    int boxes = 0;
    BareLoad(path, bareDevices);  // the file is in the page cache for both
    // Alternating, so that a change of the machine's load hits both alike.
    for (int run = 0; run < kOpenRuns; ++run) {
        bare.push_back(BareLoad(path, bareDevices));
        last = OpenThroughWindow(QString::fromLocal8Bit(path), line.SlavePath());
        Settle();
        allSearched = allSearched && last.Searched;
        allDrawn = allDrawn && last.DrawnBoth;
        boxes += last.Boxes;
        toSearch.push_back(last.ToSearch);
        draw.push_back(last.Draw);
        cancel.push_back(last.CancelReturn);
        repaint.push_back(last.RepaintAfter);
        window.push_back(last.ToSearch + last.Draw);
        total.push_back(last.ToSearch + last.Draw + last.CancelReturn + last.RepaintAfter);
    }
    std::printf("  file %.1f MiB; bare load gave %d devices, the window %d devices with %d cards on the first;"
                " boxes shown %d; the group search started every time: %s; each repaint drew the device grid"
                " and the card list: %s\n",
                file.size() / 1048576.0, bareDevices, last.Devices, last.Cards, boxes, allSearched ? "yes" : "NO",
                allDrawn ? "yes" : "NO");
    Figure("bare load (ReadWholeFile + ReadFromFile)", bare);
    Figure("window: OpenConfigFile .. group search starts", toSearch);
    Figure("window: layout + repaint() at that moment", draw);
    Figure("window: load and draw (the two above)", window);
    Figure("  not counted: Cancel .. OpenConfigFile returns", cancel);
    Figure("  not counted: repaint() after it returned", repaint);
    Figure("  not counted: call .. returned and repainted", total);
    const double ratio = Median(window) / Median(bare);
    std::printf("  window / bare: medians %.2f (the window adds %.0f %%), bests %.2f\n", ratio, (ratio - 1) * 100,
                Min(window) / Min(bare));

    // As the user meets it: the first load of a freshly started program,
    // on pages the process has never touched.
    std::vector<double> coldBare, coldWindow;
    bool coldComplete = true;
    for (int run = 0; run < kColdOpenRuns; ++run) {
        Clock::time_point forked;
        double ms = 0;
        int ok = 0;
        if (std::sscanf(RunSelf({"--open-bare", path}, forked).c_str(), "%lf %d", &ms, &ok) == 2) coldBare.push_back(ms);
        coldComplete = coldComplete && ok == 1;
        if (std::sscanf(RunSelf({"--open-window", path}, forked).c_str(), "%lf %d", &ms, &ok) == 2)
            coldWindow.push_back(ms);
        coldComplete = coldComplete && ok == 1;
    }
    unlink(path);
    Figure("fresh process: bare load", coldBare);
    Figure("fresh process: window load and draw", coldWindow, coldComplete ? "" : "  (A RUN FELL SHORT)");
    const double coldRatio = Median(coldWindow) / Median(coldBare);
    std::printf("  fresh process, window / bare: medians %.2f (the window adds %.0f %%), bests %.2f\n", coldRatio,
                (coldRatio - 1) * 100, Min(coldWindow) / Min(coldBare));
}

int OpenBareChild(const char* path) {
    int devices = 0;
    const double ms = BareLoad(path, devices);
    std::printf("%.3f %d\n", ms, devices == 254 ? 1 : 0);
    return 0;
}

int OpenWindowChild(int argc, char** argv) {
    const QString path = QString::fromLocal8Bit(argv[2]);
    QApplication app(argc, argv);
    InitApplication();
    TSilentLine line;
    if (!line.Open()) return 1;
    const TOpenRun run = OpenThroughWindow(path, line.SlavePath());
    const bool complete = run.Searched && run.DrawnBoth && run.Boxes == 0 && run.Devices == 254;
    std::printf("%.3f %d\n", run.ToSearch + run.Draw, complete ? 1 : 0);
    return 0;
}

// --- 3. a list of 1000 cards ---------------------------------------------------------

// 1000 user cards in cells 0..999 and 10 master cards.
void RefillCards(TConfPelko& dev) {
    while (dev.CardCount(false) > 0) dev.DeleteCard(false, static_cast<std::uint16_t>(dev.CardCount(false) - 1));
    while (dev.CardCount(true) > 0) dev.DeleteCard(true, static_cast<std::uint16_t>(dev.CardCount(true) - 1));
    FillCards(dev, 1);
}

class TCardList {
public:
    explicit TCardList(TMainForm& form)
        : FGrid(form.CardGrid()), FView(form.CardGrid()->viewport()),
          FPaints([this](QObject*, QEvent* e) {
              if (e->type() == QEvent::Paint) ++FPaintCount;
              return false;
          }) {
        FView->installEventFilter(&FPaints);
    }
    ~TCardList() { FView->removeEventFilter(&FPaints); }

    // One user action: the input, the calls it queues (the grid announces a
    // row change after the input event) and a repaint of the card grid's
    // rows, which also draws whatever else the action left dirty. The rows
    // are the viewport's: a repaint of the grid alone leaves that opaque
    // child out.
    double Act(const std::function<void()>& input) {
        FPaintCount = 0;
        const Clock::time_point start = Clock::now();
        input();
        for (int i = 0; i < 3; ++i) QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        FView->repaint();
        const double ms = Ms(start, Clock::now());
        if (FPaintCount == 0) FUnpainted = true;
        Settle();
        return ms;
    }
    bool Unpainted() const { return FUnpainted; }

    QPoint RowPoint(int row) const {
        for (int y = 0; y < FView->height(); ++y)
            if (FGrid->RowAt(y) == row) return QPoint(60, std::min(y + FGrid->RowHeight() / 2, FView->height() - 1));
        return QPoint(-1, -1);
    }
    void Key(Qt::Key key) {
        QTest::keyClick(FGrid, key);
        Settle();
    }

private:
    TYSGrid* FGrid;
    QWidget* FView;
    TWatch FPaints;
    int FPaintCount = 0;
    bool FUnpainted = false;
};

QPoint CellPoint(TACGrid* grid, int index) {
    QWidget* view = grid->viewport();
    for (int y = 0; y < view->height(); y += 2)
        for (int x = 0; x < view->width(); x += 4)
            if (const TColorCell* cell = grid->CellAt(x, y); cell != nullptr && cell->Index == index) return {x + 4, y + 4};
    return {-1, -1};
}

// A full list again, the cursor on row 0 without marks, then every other card marked.
void MarkEveryOther(TMainForm& form, TCardList& list, TConfPelko& dev) {
    RefillCards(dev);
    form.Engine().RefreshCardList();
    list.Key(Qt::Key_Home);
    list.Key(Qt::Key_Down);
    list.Key(Qt::Key_Up);
    for (int row = 0; row < kUserCells; row += 2) dev.SelectCard(false, static_cast<std::uint16_t>(row));
}

// One character typed into a line editor, as a keyboard sends it (Cyrillic too).
void TypeChar(QWidget* field, QChar c) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(field, &release);
}

// The find field over 1000 cards: each keystroke refilters the list and
// repaints it; Esc brings every row back. Then undo and redo of deleting
// 500 marked cards.
void FindFigures(TMainForm& form, TCardList& list, TConfPelko& dev) {
    RefillCards(dev);
    form.Engine().RefreshCardList();
    list.Key(Qt::Key_Home);
    auto* field = form.findChild<QLineEdit*>(QStringLiteral("CardFindField"));
    if (field == nullptr) return void(std::printf("  find field missing: skipped\n"));
    const struct {
        const char* Name;
        const char* Text;
        int Rows;  // shown after the whole text
    } texts[] = {
        {"(e) find, per keystroke: a user name \"сотрудник 99\"", "сотрудник 99", 11},
        {"(e) find, per keystroke: a code part \"02e7\"", "02e7", 1},
    };
    for (const auto& t : texts) {
        std::vector<double> keys, escapes;
        bool right = true;
        for (int r = 0; r < 3; ++r) {
            list.Act([&] { form.FindClick(); });
            for (const QChar c : QString::fromUtf8(t.Text)) keys.push_back(list.Act([&] { TypeChar(field, c); }));
            right = right && form.CardGrid()->RowCount() == t.Rows;
            escapes.push_back(list.Act([&] { QTest::keyClick(field, Qt::Key_Escape); }));
            right = right && form.CardGrid()->RowCount() == kUserCells;
        }
        Figure(t.Name, keys, right ? "" : "  WRONG ROWS");
        Figure("(e) Esc: all 1000 rows back", escapes);
    }

    std::vector<double> undos, redos;
    bool restored = true;
    auto* delBut = form.findChild<QToolButton*>(QStringLiteral("DelCardBut"));
    for (int r = 0; r < kActionRounds && delBut != nullptr; ++r) {
        MarkEveryOther(form, list, dev);
        list.Act([&] { delBut->click(); });
        undos.push_back(list.Act([&] { QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier); }));
        restored = restored && dev.CardCount(false) == kUserCells;
        redos.push_back(list.Act([&] { QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }));
        restored = restored && dev.CardCount(false) == kUserCells / 2;
    }
    Figure("(f) Ctrl+Z: 500 deleted cards back", undos, restored ? "" : "  NOT RESTORED");
    Figure("(f) Ctrl+Shift+Z: deleted again", redos);
}

void CardListFigures() {
    std::printf("3. A list of 1000 user cards (and 10 master cards); target < 16 ms per user action\n");
    TMainForm form{TStartOptions{}};
    form.Settings().AutoWriteKey = false;
    form.BoxHook = [](const std::string& caption, const std::string& text, TMsgIcon) {
        std::printf("  box: %s: %s\n", caption.c_str(), text.c_str());
        return true;
    };
    ShowAndSettle(form);
    TGroupDev& g = form.DevGroup();
    const DevIndex d = g.AddDevice(1);
    for (TDevFlag f : {dfConnected, dfOpened, dfInGroup}) g.SetState(d, f);
    TConfPelko& dev = *g.GetDevice(d, nullptr);
    FillCards(dev, 1);
    form.UpdateGridDev();
    form.UpdateControls();
    Settle();
    // Selected as the user does it: a click on its cell in the device grid.
    const QPoint cell = CellPoint(form.GridDev(), d);
    QTest::mouseClick(form.GridDev()->viewport(), Qt::LeftButton, {}, cell);
    Settle();
    TYSGrid* grid = form.CardGrid();
    if (g.Selected() != d || grid->RowCount() != kUserCells) {
        std::printf("  the device could not be selected (cell at %d,%d; %d rows): skipped\n", cell.x(), cell.y(),
                    grid->RowCount());
        return;
    }
    TCardList list(form);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, list.RowPoint(0));  // the card list has the focus
    Settle();
    std::printf("  card grid %dx%d px, %d rows of %d px in view\n", grid->width(), grid->height(),
                grid->VisibleRows(), grid->RowHeight());

    auto* chView = form.findChild<QToolButton*>(QStringLiteral("ChView"));
    auto* delBut = form.findChild<QToolButton*>(QStringLiteral("DelCardBut"));
    if (chView == nullptr || delBut == nullptr || !chView->isEnabled() || !delBut->isEnabled()) {
        std::printf("  card buttons missing or disabled: skipped\n");
        return;
    }

    std::vector<double> toMaster, toUser;
    for (int r = 0; r < kActionRounds; ++r) {
        toMaster.push_back(list.Act([&] { chView->click(); }));
        toUser.push_back(list.Act([&] { chView->click(); }));
    }
    Figure("(a) view switch to the 10 master cards", toMaster);
    Figure("(a) view switch back to the 1000 user cards", toUser);

    std::vector<double> shift, shiftEnd, shiftClick;
    bool allMarked = true;
    for (int r = 0; r < kActionRounds; ++r) {
        // From row 0 without marks: a plain move clears them.
        list.Key(Qt::Key_Down);
        list.Key(Qt::Key_Home);
        shift.push_back(list.Act([&] { QTest::keyPress(grid, Qt::Key_Shift); }));
        shiftEnd.push_back(list.Act([&] { QTest::keyPress(grid, Qt::Key_End, Qt::ShiftModifier); }));
        allMarked = allMarked && dev.CountSelected(false) == kUserCells;
        QTest::keyRelease(grid, Qt::Key_End, Qt::ShiftModifier);
        Settle();

        list.Key(Qt::Key_Down);
        list.Key(Qt::Key_Home);
        QTest::keyPress(grid, Qt::Key_Shift);
        Settle();
        grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        Settle();
        const QPoint last = list.RowPoint(kUserCells - 1);
        shiftClick.push_back(
            list.Act([&] { QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, last); }));
        allMarked = allMarked && dev.CountSelected(false) == kUserCells;
        QTest::keyRelease(grid, Qt::Key_Shift);
        Settle();
    }
    const char* marked = allMarked ? "" : "  NOT ALL ROWS MARKED";
    Figure("(b) Shift pressed on row 0", shift);
    Figure("(b) Shift+End: 1000 rows marked", shiftEnd, marked);
    Figure("(b) Shift+click on the last row: 1000 rows marked", shiftClick, marked);

    std::vector<double> deletes;
    bool halfLeft = true;
    for (int r = 0; r < kActionRounds; ++r) {
        MarkEveryOther(form, list, dev);
        grid->update();
        Settle();
        deletes.push_back(list.Act([&] { delBut->click(); }));
        halfLeft = halfLeft && dev.CardCount(false) == kUserCells / 2 && grid->RowCount() == kUserCells / 2;
    }
    Figure("(c) delete 500 marked cards", deletes, halfLeft ? "" : "  NOT 500 LEFT");

    RefillCards(dev);
    form.Engine().RefreshCardList();
    std::vector<double> pages;
    bool reachedEnd = true;
    for (int sweep = 0; sweep < kScrollSweeps; ++sweep) {
        list.Key(Qt::Key_Home);
        for (int press = 0; grid->Row() < kUserCells - 1 && press < 2 * kUserCells; ++press)
            pages.push_back(list.Act([&] { QTest::keyClick(grid, Qt::Key_PageDown); }));
        reachedEnd = reachedEnd && grid->Row() == kUserCells - 1;
    }
    Figure("(d) PageDown, top to bottom", pages, reachedEnd ? "" : "  LAST ROW NOT REACHED");

    FindFigures(form, list, dev);
    if (list.Unpainted()) std::printf("  NOTE: some action did not paint the card grid\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 2 && std::strcmp(argv[1], "--startup") == 0) return StartupChild(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--open-bare") == 0) return OpenBareChild(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--open-window") == 0) return OpenWindowChild(argc, argv);
    std::printf("machine: %u cores, load average %s (1, 5, 15 min), platform %s\n",
                std::thread::hardware_concurrency(), LoadAverage().c_str(), qgetenv("QT_QPA_PLATFORM").constData());
    if (argc == 2 && std::strcmp(argv[1], "--cards") == 0) {
        QApplication app(argc, argv);
        InitApplication();
        CardListFigures();
        return 0;
    }
    StartupFigures();
    // Freed memory stays in the process, so that the bare loads and the
    // window's loads all run on warm pages, whichever ran before.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    QApplication app(argc, argv);
    InitApplication();
    WarmStartFigures();
    OpenFigures();
    CardListFigures();
    std::printf("load average at the end %s\n", LoadAverage().c_str());
    return 0;
}
