// The socket notifier: readiness found by a poll that never waits, turned
// into notices once each until the call that re-enables them.
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <fcntl.h>

#include "platform/net/internal.hpp"
#include "platform/net/socket.hpp"
#include "platform/platform.hpp"

namespace platform::net {

namespace {

#if ZENTIL_TEST_HOOKS
int& select_fault()
{
    static int error_number = 0;
    return error_number;
}
#endif

// Bytes waiting to be received; 0 when unknown.
int waiting_bytes(int socket)
{
    int count = 0;
    if (::ioctl(socket, FIONREAD, &count) != 0)
        return 0;
    return count;
}

// The socket's pending error, which reading clears.
int pending_error(int socket)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return 0;
    return error;
}

}  // namespace

#if ZENTIL_TEST_HOOKS
void fail_next_select(int error_number)
{
    select_fault() = error_number;
}
#endif

notifier::entry* notifier::find(int socket)
{
    for (entry& e : entries_)
        if (e.socket == socket)
            return &e;
    return nullptr;
}

bool notifier::registered(int socket) const
{
    for (const entry& e : entries_)
        if (e.socket == socket)
            return true;
    return false;
}

int notifier::select(int socket, std::uint32_t mask)
{
    if (mask == 0) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->socket == socket) {
                entries_.erase(it);
                break;
            }
        }
        return 0;
    }
#if ZENTIL_TEST_HOOKS
    if (select_fault() != 0) {
        errno = select_fault();
        select_fault() = 0;
        return fail("socket registration failed");
    }
#endif
    if (socket < 0 || ::fcntl(socket, F_GETFD) < 0) {
        if (socket < 0)
            errno = EBADF;
        return fail("socket registration failed");
    }
    entry* e = find(socket);
    if (e == nullptr) {
        entries_.push_back(entry{});
        e = &entries_.back();
    }
    *e = entry{socket, mask, true, true, true, false, false};
    return 0;
}

void notifier::poll(std::vector<notice>& out)
{
    if (entries_.empty())
        return;
    std::vector<pollfd> fds(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        short events = 0;
        if (entries_[i].mask & (event_read | event_accept | event_close))
            events |= POLLIN | POLLRDHUP;
        if ((entries_[i].mask & event_write) && entries_[i].write_armed)
            events |= POLLOUT;
        fds[i] = pollfd{entries_[i].socket, events, 0};
    }
    int ready;
    do {
        ready = ::poll(fds.data(), static_cast<nfds_t>(fds.size()), 0);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        entry& e = entries_[i];
        const short revents = fds[i].revents;
        if (revents == 0 || (revents & POLLNVAL))
            continue;
        if (e.mask & event_accept) {
            if ((revents & POLLIN) && e.accept_armed) {
                e.accept_armed = false;
                out.push_back(notice{e.socket, make_event(event_accept, 0)});
            }
            continue;
        }
        const bool ended = (revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
        const int waiting = (revents & POLLIN) ? waiting_bytes(e.socket) : 0;
        if ((e.mask & event_read) && e.read_armed && (waiting > 0 || (ended && !e.end_seen))) {
            e.read_armed = false;
            out.push_back(notice{e.socket, make_event(event_read, 0)});
        }
        if ((e.mask & event_write) && e.write_armed && (revents & POLLOUT) && !(revents & (POLLHUP | POLLERR))) {
            e.write_armed = false;
            out.push_back(notice{e.socket, make_event(event_write, 0)});
        }
        if ((e.mask & event_close) && !e.close_posted && ended) {
            // a reset ends the connection at once; an orderly end waits for
            // the receiver to take every byte sent before it
            const int error = (revents & POLLERR) ? pending_error(e.socket) : 0;
            if (error != 0 || waiting == 0) {
                e.close_posted = true;
                out.push_back(notice{e.socket, make_event(event_close, error)});
            }
        }
    }
}

void notifier::rearm(int socket, std::uint32_t bit)
{
    entry* e = find(socket);
    if (e == nullptr)
        return;
    if (bit & event_read)
        e->read_armed = true;
    if (bit & event_write)
        e->write_armed = true;
    if (bit & event_accept)
        e->accept_armed = true;
}

int notifier::accept(int listener, peer_address& from)
{
    if (entry* e = find(listener))
        e->accept_armed = true;
    return accept_connection(listener, from);
}

long notifier::receive(int socket, void* buffer, std::size_t size, bool peek)
{
    const long got = net::receive(socket, buffer, size, peek);
    if (entry* e = find(socket)) {
        e->read_armed = true;
        if (got == 0 && size > 0)
            e->end_seen = true;
        if (got < 0 && last_error() != EAGAIN && last_error() != EWOULDBLOCK)
            e->end_seen = true;  // a reset or other failure: nothing more will come
    }
    return got;
}

long notifier::send(int socket, const void* bytes, std::size_t size)
{
    const long sent = net::send(socket, bytes, size);
    if (sent < static_cast<long>(size)) {
        if (entry* e = find(socket))
            e->write_armed = true;
    }
    return sent;
}

int notifier::close(int socket)
{
    select(socket, 0);
    return close_socket(socket);
}

}  // namespace platform::net
