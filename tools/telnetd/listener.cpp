#include "tools/telnetd/listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kBacklog = 16;

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList()
    {
        if (head != nullptr)
            freeaddrinfo(head);
    }
};

int port_of(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

}  // namespace

UniqueFd open_listener(const std::string& address, int port, std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    AddressList found;
    const std::string service = std::to_string(port);
    if (int rc = getaddrinfo(address.c_str(), service.c_str(), &hints, &found.head); rc != 0) {
        error = "\"" + address + "\" is not a numeric address (" + gai_strerror(rc) + ")";
        return {};
    }
    const addrinfo* a = found.head;
    UniqueFd listener(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    if (!listener) {
        error = std::strerror(errno);
        return {};
    }
    // A restarted bench may reuse its port at once; a port another program
    // listens on still refuses.
    int on = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(listener.get(), a->ai_addr, a->ai_addrlen) != 0 ||
        listen(listener.get(), kBacklog) != 0) {
        error = std::strerror(errno);
        return {};
    }
    return listener;
}

int listening_port(int listener)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return port_of(address);
}

std::string peer_name(int socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    char host[NI_MAXHOST] = "?";
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, nullptr, 0,
                    NI_NUMERICHOST) != 0)
        return "an unknown address";
    return std::string(host) + ":" + std::to_string(port_of(address));
}
