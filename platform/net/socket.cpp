// Loopback TCP sockets over POSIX: every descriptor non-blocking and
// close-on-exec, every send without SIGPIPE.
#include "platform/net/socket.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/net/internal.hpp"
#include "platform/platform.hpp"

namespace platform::net {

namespace {

thread_local int last_errno = 0;

}  // namespace

int fail(const char* text)
{
    last_errno = errno;
    return set_error(text);
}

int last_error()
{
    return last_errno;
}

int listen_loopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return fail("listening on the loopback address failed");
    }
    port = ntohs(address.sin_port);
    return fd;
}

int accept_connection(int listener, peer_address& from)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int fd;
    do {
        fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fail("accept failed");
    const std::uint32_t host = ntohl(address.sin_addr.s_addr);
    from.address[0] = static_cast<std::uint8_t>(host >> 24);
    from.address[1] = static_cast<std::uint8_t>(host >> 16);
    from.address[2] = static_cast<std::uint8_t>(host >> 8);
    from.address[3] = static_cast<std::uint8_t>(host);
    from.port = ntohs(address.sin_port);
    return fd;
}

long receive(int socket, void* buffer, std::size_t size, bool peek)
{
    ssize_t got;
    do {
        got = ::recv(socket, buffer, size, peek ? MSG_PEEK : 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return fail("receive failed");
    return static_cast<long>(got);
}

long send(int socket, const void* bytes, std::size_t size)
{
    ssize_t sent;
    do {
        sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0)
        return fail("send failed");
    return static_cast<long>(sent);
}

int close_socket(int socket)
{
    // a descriptor is released even when close reports EINTR, so never retry
    if (::close(socket) != 0)
        return fail("close failed");
    return 0;
}

}  // namespace platform::net
