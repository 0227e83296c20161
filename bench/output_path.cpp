// What the caller gets from the door's output path, over the game's own
// screens: the writes and bytes of each screen against its visible-cell
// floor; how soon a key brings the first byte and the whole next screen,
// over a socket pair and over TCP to a caller that delays its
// acknowledgements; and what an idle lobby costs with 1 and 32 nodes.
//
//   bench_output_path [idle seconds, default 30]
//
// Each door is the game's own lobby, run in a child process over one end of
// a connection; this process plays the caller at the other end.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/table.h"
#include "doorkit/doorkit.h"
#include "doorkit/output/colour.h"
#include "doorkit/screen/session_screen.h"
#include "game/intro.h"
#include "game/lobby.h"
#include "game/seasons.h"

namespace {

constexpr int kRounds = 20;
constexpr int kQuietMs = 300;
constexpr int kColumns = 80;
constexpr int kRows = 24;  // the game's screen

long long NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void PauseMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// ---- The door, in a child process ----

int gControlFd = -1;  // a byte arriving here asks for the screen copy
int gCellsFd = -1;    // where the copy goes

// Kernel hook: hands the session screen copy over when asked, so the caller
// side can work out what the screen on show would cost at the least.
void SendCellsWhenAsked()
{
    char request = 0;
    if (read(gControlFd, &request, 1) != 1)
        return;
    const std::size_t size =
        static_cast<std::size_t>(SessionScreen.width) * static_cast<std::size_t>(SessionScreen.height) * 2;
    if (write(gCellsFd, SessionScreen.cells, size) != static_cast<ssize_t>(size))
        std::_Exit(3);
}

enum class Door { Lobby, MusicQuestionThenLobby, TextPrompt };

[[noreturn]] void RunDoor(Door door, int fd, const std::string& dir, int control_fd, int cells_fd)
{
    if (chdir(dir.c_str()) != 0)
        std::_Exit(2);
    for (const char* name : {"BBSDEV_DRP", "TASK", "SBBSNNUM", "RA", "QUICK", "PCB", "BBS",
                             "WCNODEID", "SBBSNODE"})
        unsetenv(name);
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.port = 65535;
    od_control.socket_mode = 1;
    od_control.open_handle = static_cast<std::uint64_t>(fd);
    od_control.user_ansi = 1;
    od_control.always_clear_screen = 1;
    od_init();
    od_control.inactivity_seconds = 0;
    od_control.disable_flags |= OD_DISABLE_TIMELIMIT;
    season_bind();
    if (control_fd >= 0) {
        gControlFd = control_fd;
        gCellsFd = cells_fd;
        od_control.kernel_hook = SendCellsWhenAsked;
    }
    if (door == Door::TextPrompt) {
        for (;;) {
            char line[128];
            od_input_str(line, 100, 32, 126);
        }
    }
    if (door == Door::MusicQuestionThenLobby)
        ask_music();
    lobby();
    od_exit(0, false);
    std::_Exit(0);
}

pid_t StartDoor(Door door, int door_fd, int caller_fd, const std::string& dir, int control_fd = -1,
                int cells_fd = -1)
{
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(caller_fd);
        RunDoor(door, door_fd, dir, control_fd, cells_fd);
    }
    close(door_fd);
    return pid;
}

void StopDoor(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

// ---- The caller's end ----

enum class Link { RecordPair, SocketPair, DelayedAckTcp };

const char* LinkName(Link link)
{
    return link == Link::DelayedAckTcp ? "TCP, delayed ACKs" : "socket pair";
}

// A connected pair: the door's end and the caller's.
bool Connect(Link link, int* door, int* caller)
{
    if (link != Link::DelayedAckTcp) {
        int fds[2];
        if (socketpair(AF_UNIX, link == Link::RecordPair ? SOCK_SEQPACKET : SOCK_STREAM, 0, fds) != 0)
            return false;
        *door = fds[0];
        *caller = fds[1];
        return true;
    }
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener, 1) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    *caller = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(*caller, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return false;
    *door = accept(listener, nullptr, nullptr);
    close(listener);
    return *door >= 0;
}

// Reads everything the door sends, noting when each piece arrived. Over a
// record socket every piece is one write of the door.
class CallerEnd {
public:
    CallerEnd(int fd, bool delay_acks) : fd_(fd), delay_acks_(delay_acks), thread_([this] { Read(); })
    {
    }
    ~CallerEnd()
    {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    CallerEnd(const CallerEnd&) = delete;
    CallerEnd& operator=(const CallerEnd&) = delete;

    struct Piece {
        long long at_ns;
        std::size_t size;
    };

    std::size_t Pieces()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return pieces_.size();
    }

    // Waits until nothing has arrived for kQuietMs; the pieces since `from`.
    std::vector<Piece> Quiet(std::size_t from)
    {
        for (;;) {
            PauseMs(20);
            std::lock_guard<std::mutex> hold(mutex_);
            if (NowNs() - last_ns_ >= kQuietMs * 1000000LL)
                return {pieces_.begin() + static_cast<long>(from), pieces_.end()};
        }
    }

    // Sends one key, as one record.
    long long Key(char key)
    {
        const long long at = NowNs();
        if (send(fd_, &key, 1, MSG_NOSIGNAL) != 1)
            return -1;
        return at;
    }

    // When the first byte after `from` pieces came, and when `bytes` more
    // had come; false when they did not within two seconds.
    bool Arrival(std::size_t from, std::size_t bytes, long long* first_ns, long long* whole_ns)
    {
        std::unique_lock<std::mutex> hold(mutex_);
        const bool done = arrived_.wait_for(hold, std::chrono::seconds(2), [&] {
            std::size_t got = 0;
            for (std::size_t i = from; i < pieces_.size(); ++i)
                got += pieces_[i].size;
            return got >= bytes;
        });
        if (!done)
            return false;
        *first_ns = pieces_[from].at_ns;
        std::size_t got = 0;
        for (std::size_t i = from; i < pieces_.size(); ++i) {
            got += pieces_[i].size;
            if (got >= bytes) {
                *whole_ns = pieces_[i].at_ns;
                break;
            }
        }
        return true;
    }

private:
    void Read()
    {
        static char chunk[1 << 16];
        while (!stop_) {
            pollfd entry{fd_, POLLIN, 0};
            if (poll(&entry, 1, 20) != 1)
                continue;
            ssize_t n = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            const long long at = NowNs();
            if (delay_acks_) {
                // Linux leaves delayed-ACK mode on its own; put it back.
                int off = 0;
                setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &off, sizeof off);
            }
            if (n <= 0) {
                if (n == 0)
                    return;
                continue;
            }
            std::lock_guard<std::mutex> hold(mutex_);
            pieces_.push_back({at, static_cast<std::size_t>(n)});
            last_ns_ = at;
            arrived_.notify_all();
        }
    }

    int fd_;
    bool delay_acks_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Piece> pieces_;
    long long last_ns_ = NowNs();
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::size_t Total(const std::vector<CallerEnd::Piece>& pieces)
{
    std::size_t total = 0;
    for (const CallerEnd::Piece& p : pieces)
        total += p.size;
    return total;
}

// ---- The visible-cell floor ----

std::size_t MoveCost(int row, int column)
{
    return static_cast<std::size_t>(std::snprintf(nullptr, 0, "\x1b[%d;%dH", row, column));
}

// About the fewest bytes that paint `cells` (the game's 80 x 24) on a
// cleared ANSI screen: every cell that shows something, the kit's shortest
// colour change before each change of colour, and a cursor move (or the
// blanks between, when fewer) before each cell that does not follow the one
// before. Colours are changed in screen order, so it is a close estimate
// rather than a proven minimum.
std::size_t FloorBytes(const std::vector<std::uint8_t>& cells, int width)
{
    std::size_t total = std::strlen("\x1b[2J\x1b[1;1H");
    std::uint16_t colour = OD_ATTRIBUTE_UNKNOWN;
    int at_row = 1;
    int at_column = 1;
    for (int row = 1; row <= kRows; ++row) {
        for (int column = 1; column <= kColumns; ++column) {
            const std::size_t i = (static_cast<std::size_t>(row - 1) * width + column - 1) * 2;
            const std::uint8_t ch = cells[i];
            const std::uint8_t attribute = cells[i + 1];
            const bool blank = ch == ' ' || ch == 0;
            if (blank && (attribute & 0x70) == 0)
                continue;
            if (at_row != row || at_column != column) {
                const std::size_t move = MoveCost(row, column);
                const bool blanks = at_row == row && at_column < column &&
                                    colour != OD_ATTRIBUTE_UNKNOWN && (colour & 0x70) == 0;
                const auto gap = static_cast<std::size_t>(column - at_column);
                total += blanks && gap < move ? gap : move;
            }
            // A blank shows only its background, whatever the foreground.
            const bool shows_as_is = colour != OD_ATTRIBUTE_UNKNOWN &&
                                     (blank ? (colour & 0xF0) == (attribute & 0xF0) : colour == attribute);
            if (!shows_as_is) {
                char sequence[OD_COLOUR_SEQUENCE_MAX];
                total += ODAnsiColourSequence(attribute, colour, false, sequence);
                colour = attribute;
            }
            total += 1;
            at_row = row;
            at_column = column + 1;
        }
    }
    return total;
}

// ---- Screens: writes and bytes against the floor ----

class ScreenProbe {
public:
    explicit ScreenProbe(const std::string& dir)
    {
        int door = -1;
        int caller = -1;
        int control[2];
        int cells[2];
        if (!Connect(Link::RecordPair, &door, &caller) || pipe(control) != 0 || pipe(cells) != 0)
            std::exit(1);
        fcntl(control[0], F_SETFL, O_NONBLOCK);
        pid_ = StartDoor(Door::MusicQuestionThenLobby, door, caller, dir, control[0], cells[1]);
        close(control[0]);
        close(cells[1]);
        control_ = control[1];
        cells_ = cells[0];
        end_ = std::make_unique<CallerEnd>(caller, false);
    }
    ~ScreenProbe()
    {
        StopDoor(pid_);
        close(control_);
        close(cells_);
    }
    ScreenProbe(const ScreenProbe&) = delete;
    ScreenProbe& operator=(const ScreenProbe&) = delete;

    // Types `keys` (none: the screen the door starts with) and reports the
    // screen that follows.
    void Row(const char* name, const char* keys, const std::string& goal)
    {
        for (const char* k = keys; k[0] != '\0' && k[1] != '\0'; ++k) {
            end_->Key(*k);  // keys on the way to the screen
            end_->Quiet(end_->Pieces());
        }
        const std::size_t from = end_->Pieces();
        if (keys[0] != '\0')
            end_->Key(keys[std::strlen(keys) - 1]);
        const std::vector<CallerEnd::Piece> pieces = end_->Quiet(from);
        const std::size_t bytes = Total(pieces);
        const std::size_t floor = FloorBytes(Cells(), SessionScreenWidth());
        bench_row(bench_format("%s: writes / bytes", name),
                  bench_format("%zu / %zu", pieces.size(), bytes),
                  bench_format("floor %zu (%.2f x)", floor,
                               floor == 0 ? 0.0 : static_cast<double>(bytes) / static_cast<double>(floor)),
                  goal);
    }

private:
    static int SessionScreenWidth() { return kColumns; }

    std::vector<std::uint8_t> Cells()
    {
        std::vector<std::uint8_t> cells(static_cast<std::size_t>(kColumns) * 25 * 2);
        if (write(control_, "?", 1) != 1)
            return cells;
        std::size_t got = 0;
        while (got < cells.size()) {
            pollfd entry{cells_, POLLIN, 0};
            if (poll(&entry, 1, 2000) != 1)
                break;
            ssize_t n = read(cells_, cells.data() + got, cells.size() - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return cells;
    }

    pid_t pid_ = -1;
    int control_ = -1;
    int cells_ = -1;
    std::unique_ptr<CallerEnd> end_;
};

void MeasureScreens(const std::string& dir)
{
    ScreenProbe probe(dir);
    probe.Row("music question", "", "<= 3 writes");
    probe.Row("lobby", "n", "<= 3 writes, <= 2500 bytes");
    probe.Row("hall of fame", "h", "<= 3 writes");
    probe.Row("story stage", "cs" "c", "<= 1.1 x floor");
    probe.Row("combat", "4", "<= 1.1 x floor");
}

// ---- Keys: first byte and whole screen ----

struct Timings {
    std::vector<double> first_ms;
    std::vector<double> whole_ms;
};

void Time(CallerEnd& end, char key, std::size_t bytes, Timings* timings)
{
    const std::size_t from = end.Pieces();
    const long long sent = end.Key(key);
    long long first = 0;
    long long whole = 0;
    if (sent < 0 || !end.Arrival(from, bytes, &first, &whole))
        return;
    timings->first_ms.push_back(static_cast<double>(first - sent) / 1e6);
    timings->whole_ms.push_back(static_cast<double>(whole - sent) / 1e6);
    end.Quiet(end.Pieces());
}

std::string Figure(const Timings& t, bool whole)
{
    const std::vector<double>& values = whole ? t.whole_ms : t.first_ms;
    if (values.size() != kRounds)
        return bench_format("failed (%zu of %d rounds)", values.size(), kRounds);
    return bench_format("%.2f ms", bench_median(values));
}

void MeasureKeys(Link link, const std::string& dir)
{
    int door = -1;
    int caller = -1;
    if (!Connect(link, &door, &caller))
        std::exit(1);
    pid_t pid = StartDoor(Door::Lobby, door, caller, dir);
    Timings hall;
    Timings lobby;
    {
        CallerEnd end(caller, link == Link::DelayedAckTcp);
        end.Quiet(0);
        // The size of each screen, once.
        std::size_t from = end.Pieces();
        end.Key('h');
        const std::size_t hall_bytes = Total(end.Quiet(from));
        from = end.Pieces();
        end.Key('c');
        const std::size_t lobby_bytes = Total(end.Quiet(from));
        for (int round = 0; round < kRounds; ++round) {
            Time(end, 'h', hall_bytes, &hall);
            Time(end, 'c', lobby_bytes, &lobby);
        }
    }
    StopDoor(pid);

    Timings echo;
    if (!Connect(link, &door, &caller))
        std::exit(1);
    pid = StartDoor(Door::TextPrompt, door, caller, dir);
    {
        CallerEnd end(caller, link == Link::DelayedAckTcp);
        end.Quiet(0);
        for (int round = 0; round < kRounds; ++round)
            Time(end, 'a', 1, &echo);
    }
    StopDoor(pid);

    const std::string over = std::string(", ") + LinkName(link);
    bench_row("lobby key -> first byte" + over, Figure(hall, false), "median of 20", "<= 2 ms");
    bench_row("key -> whole hall screen" + over, Figure(hall, true), "median of 20", "<= 5 ms");
    bench_row("key -> whole lobby screen" + over, Figure(lobby, true), "median of 20", "<= 5 ms");
    bench_row("echo at a text prompt" + over, Figure(echo, true), "median of 20", "<= 0.3 ms");
}

// ---- Idle lobbies ----

long VoluntarySwitches(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::atol(line.c_str() + std::strlen("voluntary_ctxt_switches:"));
    }
    return -1;
}

double CpuSeconds(pid_t pid)
{
    clockid_t clock{};
    timespec ts{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return -1;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The reference: a process that does nothing but poll its line every 50 ms.
[[noreturn]] void RunPoller(int fd)
{
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        poll(&entry, 1, 50);
    }
}

struct IdleCost {
    double wakeups_per_second;
    double cpu_per_minute;
};

// Starts `nodes` processes with `run`, lets them settle, and measures them
// for `seconds`; the figures are per process.
template <typename Run>
IdleCost MeasureIdleProcesses(int nodes, int seconds, Run run)
{
    std::vector<pid_t> pids;
    std::vector<int> callers;
    for (int i = 0; i < nodes; ++i) {
        int door = -1;
        int caller = -1;
        if (!Connect(Link::SocketPair, &door, &caller))
            std::exit(1);
        pids.push_back(run(door, caller));
        callers.push_back(caller);
    }
    PauseMs(1500);  // every lobby drawn and waiting
    std::vector<long> switches;
    std::vector<double> cpu;
    for (pid_t pid : pids) {
        switches.push_back(VoluntarySwitches(pid));
        cpu.push_back(CpuSeconds(pid));
    }
    PauseMs(seconds * 1000);
    double wakeups = 0;
    double cpu_used = 0;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        wakeups += static_cast<double>(VoluntarySwitches(pids[i]) - switches[i]);
        cpu_used += CpuSeconds(pids[i]) - cpu[i];
    }
    for (pid_t pid : pids)
        StopDoor(pid);
    for (int fd : callers)
        close(fd);
    return {wakeups / nodes / seconds, cpu_used / nodes * 60.0 / seconds};
}

void MeasureIdle(int nodes, int seconds, const std::string& dir)
{
    const IdleCost lobby = MeasureIdleProcesses(nodes, seconds, [&dir](int door, int caller) {
        return StartDoor(Door::Lobby, door, caller, dir);
    });
    const IdleCost poller = MeasureIdleProcesses(nodes, seconds, [](int door, int caller) {
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            close(caller);
            RunPoller(door);
        }
        close(door);
        return pid;
    });
    const char* unit = nodes == 1 ? "node" : "nodes";
    bench_row(bench_format("idle lobby, %d %s: wakeups per second per node", nodes, unit),
              bench_format("%.1f", lobby.wakeups_per_second),
              bench_format("%.1f (one 50 ms poll)", poller.wakeups_per_second), "<= 21");
    bench_row(bench_format("idle lobby, %d %s: CPU per minute per node", nodes, unit),
              bench_format("%.3f s", lobby.cpu_per_minute),
              bench_format("%.3f s (50 ms poller)", poller.cpu_per_minute),
              "<= 0.03 s where the poller takes 0.01-0.02 s");
}

}  // namespace

int main(int argc, char* argv[])
{
    const int idle_seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (idle_seconds < 1) {
        std::fprintf(stderr, "usage: %s [idle seconds]\n", argv[0]);
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    char pattern[] = "/tmp/grimbo-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = made;

    MeasureScreens(dir);
    MeasureKeys(Link::SocketPair, dir);
    MeasureKeys(Link::DelayedAckTcp, dir);
    MeasureIdle(1, idle_seconds, dir);
    MeasureIdle(32, idle_seconds, dir);

    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
