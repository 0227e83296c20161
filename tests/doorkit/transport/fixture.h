// Shared pieces of the transport tests: the caller's end of a connection,
// and running a test body in a forked child.
#ifndef TESTS_DOORKIT_TRANSPORT_FIXTURE_H
#define TESTS_DOORKIT_TRANSPORT_FIXTURE_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

#include "doorkit/transport/transport.h"

namespace transport_test {

using Bytes = std::basic_string<std::uint8_t>;

inline Bytes B(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

inline Bytes B(const char* text)
{
    Bytes out;
    for (; *text != '\0'; ++text)
        out.push_back(static_cast<std::uint8_t>(*text));
    return out;
}

// Runs `body` in a forked child so signal, od_control and descriptor changes
// stay there; the test fails when the child fails or dies.
inline void RunInChild(const std::function<void()>& body)
{
    std::fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        body();
        std::fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status))
        ADD_FAILURE() << "child killed by signal " << WTERMSIG(status);
    else
        EXPECT_EQ(WEXITSTATUS(status), 0) << "child reported failures";
}

// A connected TCP pair over the loopback interface.
struct TcpPair {
    int door = -1;
    int caller = -1;

    TcpPair()
    {
        int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            listen(listener, 1) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            if (listener >= 0)
                close(listener);
            return;
        }
        caller = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(caller, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            door = accept(listener, nullptr, nullptr);
        close(listener);
    }
    ~TcpPair()
    {
        CloseCaller();
        if (door >= 0)
            close(door);
    }
    TcpPair(const TcpPair&) = delete;
    TcpPair& operator=(const TcpPair&) = delete;

    // The door's end now belongs to the port.
    int TakeDoor()
    {
        int fd = door;
        door = -1;
        return fd;
    }
    void CloseCaller()
    {
        if (caller >= 0)
            close(caller);
        caller = -1;
    }
};

inline bool WriteAll(int fd, const Bytes& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

inline bool WaitReadable(int fd, int timeout_ms = 2000)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeout_ms) == 1;
}

// Everything that arrives on `fd` until it stays quiet for `quiet_ms`.
inline Bytes ReadQuiet(int fd, int quiet_ms = 200)
{
    Bytes out;
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, quiet_ms) != 1)
            return out;
        std::uint8_t chunk[4096];
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return out;
        out.append(chunk, static_cast<std::size_t>(n));
    }
}

// A port taken over from `fd` with the given preferred method.
inline tPortHandle AdoptPort(int fd, int method)
{
    tPortHandle port = nullptr;
    if (ODComAlloc(&port) != kODRCSuccess)
        return nullptr;
    ODComSetPreferredMethod(port, method);
    if (ODComOpenFromExistingHandle(port, fd) != kODRCSuccess) {
        ODComFree(port);
        return nullptr;
    }
    return port;
}

// Reads bytes from the port until a read reports anything but success.
inline Bytes DrainPort(tPortHandle port, int* last_result = nullptr)
{
    Bytes out;
    for (;;) {
        char c = 0;
        int result = ODComGetByte(port, &c, false);
        if (result != kODRCSuccess) {
            if (last_result != nullptr)
                *last_result = result;
            return out;
        }
        out.push_back(static_cast<std::uint8_t>(c));
    }
}

inline bool Carrier(tPortHandle port)
{
    bool present = false;
    EXPECT_EQ(ODComCarrier(port, &present), kODRCSuccess);
    return present;
}

}  // namespace transport_test

#endif
