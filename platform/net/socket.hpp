// Non-blocking TCP sockets on the loopback interface, and a notifier that
// turns their readiness into window-message style notices. Descriptors are
// close-on-exec; sending never raises SIGPIPE. Failures are -1 with one
// set_error call, and the errno of the failure is kept for the caller's log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::net {

// Bits of a notice's low word, as the window message carries them.
enum : std::uint32_t {
    event_read = 1,
    event_write = 2,
    event_accept = 8,
    event_connect = 16,
    event_close = 32,
};

// The errno of the calling thread's last failure in this folder; 0 before any.
int last_error();

// A peer's IPv4 address in the order it is written (127, 0, 0, 1) and its port.
struct peer_address {
    std::uint8_t address[4];
    int port;
};

// A listening socket on 127.0.0.1 at a port the system picks (given back in
// port): the descriptor, or -1.
int listen_loopback(int& port);
// Takes a waiting connection from a listening socket: its descriptor (non-
// blocking) with the peer's address, or -1 (EAGAIN when none waits).
int accept_connection(int listener, peer_address& from);
// Up to size bytes, left in the socket when peek is set: the count, 0 when
// the peer has ended its side, or -1 (EAGAIN when nothing waits).
long receive(int socket, void* buffer, std::size_t size, bool peek);
// What the socket takes of size bytes now: the count (possibly fewer), or -1
// (EAGAIN when it takes nothing now).
long send(int socket, const void* bytes, std::size_t size);
// 0, or -1 when the descriptor did not close cleanly.
int close_socket(int socket);

// One notice: the socket and its event word (low word one event bit, high
// word the error number, 0 for none).
struct notice {
    int socket;
    std::uint32_t event;
};

inline std::uint32_t make_event(std::uint32_t bit, int error)
{
    return bit | (static_cast<std::uint32_t>(error & 0xFFFF) << 16);
}

// Registered sockets with the events asked for each. A poll never waits; it
// turns what each socket is ready for into notices under these rules:
// - read: posted while bytes wait or the peer's end has not been seen by a
//   receive yet; once, until the next receive on that socket;
// - write: once after registration, then only after a send that could not
//   take everything, once the socket can take data again;
// - accept: while a connection waits, once until the next accept;
// - close: once, when the peer has ended and every byte it sent has been
//   received (at once after a reset, with the error in the high word).
// The socket calls go through the notifier so that it sees what re-enables
// a notice.
class notifier {
public:
    // Registers the socket for the events of mask, enabling each anew; mask 0
    // stops its notices. 0, or -1 (a bad descriptor, or the test switch).
    int select(int socket, std::uint32_t mask);
    bool registered(int socket) const;
    // Appends the notices due now, the sockets in registration order.
    void poll(std::vector<notice>& out);
    // A notice its handler could not take: comes again at the next poll
    // while its condition holds.
    void rearm(int socket, std::uint32_t bit);

    int accept(int listener, peer_address& from);
    long receive(int socket, void* buffer, std::size_t size, bool peek);
    long send(int socket, const void* bytes, std::size_t size);
    // Stops the socket's notices and closes it.
    int close(int socket);
    // Forgets every registration (closes nothing).
    void clear() { entries_.clear(); }

private:
    struct entry {
        int socket;
        std::uint32_t mask;
        bool read_armed;
        bool write_armed;
        bool accept_armed;
        bool end_seen;     // a receive has returned the peer's end
        bool close_posted;
    };
    entry* find(int socket);
    std::vector<entry> entries_;
};

#if ZENTIL_TEST_HOOKS
// Fault switch: the next notifier registration (a non-zero mask) fails with
// this errno; 0 disarms it.
void fail_next_select(int error_number);
#endif

}  // namespace platform::net
