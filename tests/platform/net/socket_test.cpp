// Loopback sockets and the notifier: descriptor flags, failures with their
// error numbers, and when each notice is posted and enabled again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "platform/net/socket.hpp"
#include "platform/platform.hpp"
#include "support/loopback_client.hpp"

namespace {

namespace net = platform::net;
using support::loopback_client;

class NetNotifier : public ::testing::Test {
protected:
    void SetUp() override
    {
        listener_ = net::listen_loopback(port_);
        ASSERT_GE(listener_, 0) << platform::error();
        ASSERT_GT(port_, 0);
    }

    void TearDown() override
    {
        for (const int s : open_)
            net::close_socket(s);
        net::close_socket(listener_);
        net::fail_next_select(0);
    }

    // The notices of one poll, as (socket, event word) pairs.
    std::vector<std::pair<int, std::uint32_t>> poll_once()
    {
        std::vector<net::notice> out;
        notifier_.poll(out);
        std::vector<std::pair<int, std::uint32_t>> pairs;
        for (const net::notice& n : out)
            pairs.emplace_back(n.socket, n.event);
        return pairs;
    }

    // Polls until a notice with the bit comes for the socket (at most 200
    // polls, waiting up to 10 ms on the socket between them): its event word,
    // or 0.
    std::uint32_t wait_notice(int socket, std::uint32_t bit)
    {
        for (int i = 0; i < 200; ++i) {
            for (const auto& [s, event] : poll_once())
                if (s == socket && (event & 0xFFFF) == bit)
                    return event;
            pollfd p{socket, POLLIN, 0};
            ::poll(&p, 1, 10);
        }
        return 0;
    }

    // A connection accepted from the listener, registered for read, write
    // and close, its write notice of registration already taken.
    int accept_registered(net::peer_address& from)
    {
        const int s = net::accept_connection(listener_, from);
        if (s < 0)
            return -1;
        open_.push_back(s);
        if (notifier_.select(s, net::event_read | net::event_write | net::event_close) != 0)
            return -1;
        if (wait_notice(s, net::event_write) == 0)
            return -1;
        return s;
    }

    int listener_ = -1;
    int port_ = 0;
    net::notifier notifier_;
    std::vector<int> open_;
};

TEST_F(NetNotifier, DescriptorsAreNonBlockingAndCloseOnExec)
{
    loopback_client client(port_);
    ASSERT_TRUE(client.connected());
    net::peer_address from{};
    const int s = net::accept_connection(listener_, from);
    ASSERT_GE(s, 0) << platform::error();
    open_.push_back(s);
    for (const int fd : {listener_, s}) {
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC) << fd;
        EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK) << fd;
    }
    EXPECT_EQ(from.address[0], 127);
    EXPECT_EQ(from.address[1], 0);
    EXPECT_EQ(from.address[2], 0);
    EXPECT_EQ(from.address[3], 1);
    EXPECT_EQ(from.port, client.local_port());
}

TEST_F(NetNotifier, FailuresKeepTheirErrorNumber)
{
    net::peer_address from{};
    char byte;
    struct failure {
        const char* name;
        std::function<long()> call;
        std::vector<int> error_numbers;  // any of them
    };
    const failure rows[] = {
        {"accept with nothing waiting", [&] { return long{net::accept_connection(listener_, from)}; },
         {EAGAIN, EWOULDBLOCK}},
        {"receive on no descriptor", [&] { return net::receive(-1, &byte, 1, false); }, {EBADF}},
        {"send on a listener", [&] { return net::send(listener_, "x", 1); }, {ENOTCONN, EPIPE}},
        {"registration under the fault switch",
         [&] {
             net::fail_next_select(ENOBUFS);
             return long{notifier_.select(listener_, net::event_accept)};
         },
         {ENOBUFS}},
        {"registration of a closed descriptor", [&] { return long{notifier_.select(12345, net::event_read)}; },
         {EBADF}},
    };
    for (const failure& row : rows) {
        EXPECT_EQ(row.call(), -1) << row.name;
        const int got = net::last_error();
        EXPECT_NE(std::find(row.error_numbers.begin(), row.error_numbers.end(), got), row.error_numbers.end())
            << row.name << ": " << got;
        EXPECT_STRNE(platform::error(), "") << row.name;
    }
    EXPECT_FALSE(notifier_.registered(listener_));
    EXPECT_FALSE(notifier_.registered(12345));
    // the switch fired once: the next registration succeeds
    EXPECT_EQ(notifier_.select(listener_, net::event_accept), 0);
}

TEST_F(NetNotifier, AcceptIsPostedOnceUntilTheNextAccept)
{
    ASSERT_EQ(notifier_.select(listener_, net::event_accept), 0);
    EXPECT_TRUE(poll_once().empty());
    loopback_client first(port_), second(port_);
    ASSERT_EQ(wait_notice(listener_, net::event_accept), net::event_accept);
    EXPECT_TRUE(poll_once().empty()) << "posted again before an accept";
    net::peer_address from{};
    const int s = notifier_.accept(listener_, from);
    ASSERT_GE(s, 0);
    open_.push_back(s);
    // the second connection still waits, so the accept enables the notice again
    EXPECT_EQ(wait_notice(listener_, net::event_accept), net::event_accept);
    const int t = notifier_.accept(listener_, from);
    ASSERT_GE(t, 0);
    open_.push_back(t);
    EXPECT_TRUE(poll_once().empty()) << "nothing waits any more";
}

TEST_F(NetNotifier, ReadIsPostedOnceUntilTheNextReceive)
{
    loopback_client client(port_);
    net::peer_address from{};
    const int s = accept_registered(from);
    ASSERT_GE(s, 0);
    EXPECT_TRUE(poll_once().empty()) << "the write notice comes once, read waits for bytes";
    ASSERT_TRUE(client.send("abcdef"));
    ASSERT_EQ(wait_notice(s, net::event_read), net::event_read);
    EXPECT_TRUE(poll_once().empty()) << "posted again before a receive";
    char buffer[8] = {};
    // a peek is a receive too: bytes still wait, so read comes again
    ASSERT_EQ(notifier_.receive(s, buffer, 2, true), 2);
    EXPECT_EQ(wait_notice(s, net::event_read), net::event_read);
    ASSERT_EQ(notifier_.receive(s, buffer, 8, false), 6);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_TRUE(poll_once().empty()) << "nothing waits";
    // nothing waiting: -1 with EAGAIN, and no notice
    EXPECT_EQ(notifier_.receive(s, buffer, 8, false), -1);
    EXPECT_EQ(net::last_error(), EAGAIN);
    EXPECT_TRUE(poll_once().empty());
}

TEST_F(NetNotifier, CloseComesOnceAfterEveryByteWasReceived)
{
    loopback_client client(port_);
    net::peer_address from{};
    const int s = accept_registered(from);
    ASSERT_GE(s, 0);
    ASSERT_TRUE(client.send("xyz"));
    client.shutdown_write();
    ASSERT_EQ(wait_notice(s, net::event_read), net::event_read);
    for (int i = 0; i < 5; ++i)
        for (const auto& [socket, event] : poll_once())
            EXPECT_NE(event & 0xFFFF, net::event_close) << "close before the bytes were received";
    char buffer[8];
    ASSERT_EQ(notifier_.receive(s, buffer, 8, false), 3);
    // the peer's end waits: read once more (a receive then sees it), and close
    bool read = false, close = false;
    for (int i = 0; i < 20 && !(read && close); ++i) {
        for (const auto& [socket, event] : poll_once()) {
            read = read || event == net::event_read;
            close = close || event == net::event_close;
        }
    }
    EXPECT_TRUE(read);
    EXPECT_TRUE(close);
    EXPECT_EQ(notifier_.receive(s, buffer, 8, false), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(poll_once().empty()) << "the end was seen and the close posted";
}

TEST_F(NetNotifier, ResetPostsCloseWithItsErrorAndSendingDoesNotRaiseSigpipe)
{
    loopback_client client(port_);
    net::peer_address from{};
    const int s = accept_registered(from);
    ASSERT_GE(s, 0);
    client.reset();
    const std::uint32_t event = wait_notice(s, net::event_close);
    EXPECT_EQ(event & 0xFFFF, net::event_close);
    EXPECT_EQ(static_cast<int>(event >> 16), ECONNRESET);
    // a send to the reset peer fails instead of ending the process
    const std::string block(4096, 'z');
    long sent = 0;
    for (int i = 0; i < 4 && sent >= 0; ++i)
        sent = notifier_.send(s, block.data(), block.size());
    EXPECT_EQ(sent, -1);
    EXPECT_TRUE(net::last_error() == EPIPE || net::last_error() == ECONNRESET) << net::last_error();
}

TEST_F(NetNotifier, WriteComesAfterRegistrationThenOnlyAfterAShortSend)
{
    loopback_client client(port_, 1 << 16);
    net::peer_address from{};
    const int s = accept_registered(from);
    ASSERT_GE(s, 0);
    // a send that takes everything does not enable it
    ASSERT_EQ(notifier_.send(s, "hello", 5), 5);
    EXPECT_TRUE(poll_once().empty());
    // fill the socket until it takes nothing more (bounded)
    const std::string block(1 << 16, 'q');
    long sent = 0;
    long total = 5;
    for (int i = 0; i < 4096; ++i) {
        sent = notifier_.send(s, block.data(), block.size());
        if (sent < static_cast<long>(block.size()))
            break;
        total += sent;
    }
    ASSERT_LT(sent, static_cast<long>(block.size())) << "the socket never filled";
    if (sent > 0)
        total += sent;
    EXPECT_TRUE(poll_once().empty()) << "no room yet";
    // the client drains everything; write comes once on the way
    std::size_t drained = 0;
    int writes = 0;
    for (int i = 0; i < 10000 && (drained < static_cast<std::size_t>(total) || writes == 0); ++i) {
        const std::size_t got = client.read_available().size();
        drained += got;
        for (const auto& [socket, event] : poll_once()) {
            EXPECT_EQ(event, net::event_write);
            ++writes;
        }
        if (got == 0 && drained < static_cast<std::size_t>(total))
            drained += client.read(1, 10).size();  // waits on the socket, at most 10 ms
    }
    EXPECT_EQ(drained, static_cast<std::size_t>(total));
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(poll_once().empty());
}

TEST_F(NetNotifier, MaskZeroStopsNoticesAndCloseUnregisters)
{
    loopback_client client(port_);
    net::peer_address from{};
    const int s = accept_registered(from);
    ASSERT_GE(s, 0);
    ASSERT_EQ(notifier_.select(s, 0), 0);
    EXPECT_FALSE(notifier_.registered(s));
    ASSERT_TRUE(client.send("data"));
    client.shutdown_write();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(poll_once().empty());
    ASSERT_EQ(notifier_.select(s, net::event_read), 0);
    EXPECT_EQ(wait_notice(s, net::event_read), net::event_read);
    open_.clear();
    EXPECT_EQ(notifier_.close(s), 0);
    EXPECT_FALSE(notifier_.registered(s));
    EXPECT_TRUE(client.wait_for_end());
}

}  // namespace
