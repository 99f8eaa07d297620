// A TCP client of the loopback interface for the network tests, written on
// the POSIX calls alone (it shares no code with platform/net). Every wait is
// bounded, so a test whose server side is broken fails instead of hanging.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

namespace support {

// The 4-byte little-endian length word of the wire format.
inline std::string length_word(std::uint32_t length)
{
    std::string word(4, '\0');
    for (int i = 0; i < 4; ++i)
        word[static_cast<std::size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return word;
}

// A message on the wire: its length word, then its bytes.
inline std::string framed(const std::string& body)
{
    return length_word(static_cast<std::uint32_t>(body.size())) + body;
}

class loopback_client {
public:
    // Connects to 127.0.0.1:port; receive_buffer > 0 sets the socket's
    // receive buffer first (small, so that a sender fills it).
    explicit loopback_client(int port, int receive_buffer = 0)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return;
        if (receive_buffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        // a loopback connect completes in the listener's backlog, before any accept
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close();
            return;
        }
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        local_port_ = ntohs(address.sin_port);
    }
    ~loopback_client() { close(); }
    loopback_client(const loopback_client&) = delete;
    loopback_client& operator=(const loopback_client&) = delete;

    bool connected() const { return fd_ >= 0; }
    int local_port() const { return local_port_; }

    // Sends every byte, waiting at most wait_ms in all for room.
    bool send(const std::string& bytes, int wait_ms = 5000)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return false;
            if (!wait(POLLOUT, wait_ms))
                return false;
        }
        return true;
    }

    // What has arrived, without waiting (at most limit bytes).
    std::string read_available(std::size_t limit = 1 << 20)
    {
        std::string out(limit, '\0');
        const ssize_t n = ::recv(fd_, out.data(), limit, 0);
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return out;
    }

    // Exactly count bytes unless the wait of at most wait_ms runs out or the
    // peer ends first: what arrived.
    std::string read(std::size_t count, int wait_ms = 5000)
    {
        std::string out;
        while (out.size() < count) {
            const std::string part = read_available(count - out.size());
            if (!part.empty()) {
                out += part;
                continue;
            }
            if (!wait(POLLIN, wait_ms) || peer_ended())
                break;
        }
        return out;
    }

    // True once the server has closed its side: a read gives 0 bytes, or a
    // reset when the server closed with bytes of ours unread.
    bool peer_ended()
    {
        char c;
        const ssize_t n = ::recv(fd_, &c, 1, MSG_PEEK);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }

    // Waits at most wait_ms for the server to close its side.
    bool wait_for_end(int wait_ms = 5000)
    {
        return peer_ended() || (wait(POLLIN, wait_ms) && peer_ended());
    }

    void shutdown_write() { ::shutdown(fd_, SHUT_WR); }

    // Closes with a reset instead of an orderly end.
    void reset()
    {
        linger hard{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close();
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    bool wait(short events, int wait_ms)
    {
        pollfd p{fd_, events, 0};
        return ::poll(&p, 1, wait_ms) > 0;
    }

    int fd_ = -1;
    int local_port_ = 0;
};

}  // namespace support
