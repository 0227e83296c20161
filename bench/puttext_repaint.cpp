// Bytes od_puttext sends to repaint a full 80 x 24 screen after 1 %, 10 %
// and 100 % of its cells changed, next to a plain full redraw (every cell
// sent, one cursor move per row), for ANSI and AVATAR terminals. Rows of
// the benchmark table.
//
// The kit runs in this process over one end of a socket pair; a thread
// counts what arrives at the other end.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "bench/table.h"
#include "doorkit/doorkit.h"
#include "doorkit/transport/transport.h"

namespace {

constexpr int kColumns = 80;
constexpr int kRows = 24;
constexpr int kCells = kColumns * kRows;

using Screen = std::vector<std::uint8_t>;

// Counts the bytes arriving at the caller's end.
class ByteCounter {
public:
    explicit ByteCounter(int fd) : fd_(fd), thread_([this] { Run(); }) {}
    ~ByteCounter()
    {
        stop_ = true;
        thread_.join();
    }
    ByteCounter(const ByteCounter&) = delete;
    ByteCounter& operator=(const ByteCounter&) = delete;

    // Bytes received since the last call.
    std::size_t Take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Drain();
        std::size_t n = count_;
        count_ = 0;
        return n;
    }

private:
    void Run()
    {
        while (!stop_) {
            pollfd entry{fd_, POLLIN, 0};
            if (poll(&entry, 1, 20) != 1)
                continue;
            std::lock_guard<std::mutex> lock(mutex_);
            Drain();
        }
    }

    void Drain()
    {
        char chunk[65536];
        for (;;) {
            ssize_t n = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n <= 0)
                return;
            count_ += static_cast<std::size_t>(n);
        }
    }

    int fd_;
    std::mutex mutex_;
    std::size_t count_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A screen like a door's: words in runs of a few colours on black.
Screen BaseScreen(std::mt19937& rng)
{
    static constexpr std::uint8_t kPalette[] = {0x07, 0x0F, 0x0E, 0x0B, 0x0A, 0x0C, 0x1F, 0x08};
    Screen screen(kCells * 2);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> colour(0, 7);
    std::uniform_int_distribution<int> run(3, 12);
    std::uint8_t attribute = 0x07;
    int left = 0;
    for (int i = 0; i < kCells; ++i) {
        if (left-- == 0) {
            attribute = kPalette[colour(rng)];
            left = run(rng);
        }
        screen[i * 2] = static_cast<std::uint8_t>(left == 0 ? ' ' : letter(rng));
        screen[i * 2 + 1] = attribute;
    }
    return screen;
}

Screen Changed(const Screen& base, double share, std::mt19937& rng)
{
    Screen screen = base;
    std::vector<int> order(kCells);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    const int count = static_cast<int>(kCells * share + 0.5);
    std::uniform_int_distribution<int> character(0x21, 0x7E);
    std::uniform_int_distribution<int> attribute(1, 15);
    for (int i = 0; i < count; ++i) {
        const int cell = order[static_cast<std::size_t>(i)];
        // Always a visible difference.
        std::uint8_t c;
        do {
            c = static_cast<std::uint8_t>(character(rng));
        } while (c == screen[cell * 2]);
        screen[cell * 2] = c;
        screen[cell * 2 + 1] = static_cast<std::uint8_t>(attribute(rng));
    }
    return screen;
}

std::size_t Paint(ByteCounter& counter, const Screen& screen, bool every_cell)
{
    od_control.puttext_flag = every_cell ? 1 : 0;
    counter.Take();
    od_puttext(1, 1, kColumns, kRows, screen.data());
    ODCoreFlushRemote();  // as the door's next wait would
    return counter.Take();
}

}  // namespace

int main()
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        std::perror("socketpair");
        return 1;
    }
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.port = 65535;
    od_control.socket_mode = 1;
    od_control.open_handle = static_cast<std::uint64_t>(fds[0]);
    od_control.user_ansi = 1;
    od_control.disable_flags = OD_DISABLE_CARRIER | OD_DISABLE_TIMELIMIT;
    od_init();

    {
        ByteCounter counter(fds[1]);
        for (int avatar = 0; avatar <= 1; ++avatar) {
            od_control.user_avatar = static_cast<std::uint8_t>(avatar);
            for (double share : {0.01, 0.10, 1.00}) {
                std::mt19937 rng(20261207u);
                const Screen base = BaseScreen(rng);
                const Screen changed = Changed(base, share, rng);
                Paint(counter, base, true);
                const std::size_t differences = Paint(counter, changed, false);
                Paint(counter, base, true);
                const std::size_t full = Paint(counter, changed, true);
                bench_row(bench_format("od_puttext repaint, %s, %.0f %% of cells changed: bytes",
                                       avatar ? "AVATAR" : "ANSI", share * 100),
                          bench_format("%zu", differences), bench_format("full redraw %zu", full),
                          "fewer than a full redraw");
            }
        }
    }
    od_control.clear_on_exit = 0;
    od_exit(0, false);
}
