// Network connections over loopback sockets: the calls before a start, accept
// and the handle scheme, framed receive and send, refused lengths, peer ends
// and the sweep, close, re-entry, the failures of accept and the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/network.hpp"
#include "media/system/startup.hpp"
#include "support/loopback_client.hpp"

namespace {

using media::core::net_state;
using media::core::NETCONN;
using media_test::headless_media;
using media_test::seen_messages;
using support::framed;
using support::length_word;
using support::loopback_client;

std::size_t open_descriptors()
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                   std::filesystem::directory_iterator()));
}

// The bytes a ring holds, from its read position on, across its wrap.
std::string held_bytes(const RINGBUF& r)
{
    std::string out;
    for (int i = 0; i < r.held; ++i)
        out += static_cast<char>(r.data[(r.read + i) % r.capacity]);
    return out;
}

// Puts bytes into a ring as a program fills the send ring.
void put(RINGBUF& r, const std::string& bytes)
{
    ASSERT_EQ(ReserveRingBuffer(static_cast<int>(bytes.size()), &r), 0);
    for (const char c : bytes) {
        NormalizeRingBuffer(&r);
        r.data[r.write++] = static_cast<unsigned char>(c);
        ++r.held;
    }
    NormalizeRingBuffer(&r);
}

// Empties a ring whose storage is capacity bytes, with both positions at at,
// so that the next bytes wrap after capacity - at of them.
void place(RINGBUF& r, int capacity, int at)
{
    ASSERT_EQ(ReserveRingBuffer(capacity - 1000, &r), 0);
    ASSERT_EQ(r.capacity, capacity);
    r.read = r.write = at;
    r.held = 0;
}

using NotStarted = headless_media;

TEST_F(NotStarted, EveryCallReturnsAtOnceAndNoDescriptorIsOpened)
{
    create_window();
    OpenLogFile();
    const std::size_t descriptors = open_descriptors();
    struct call {
        const char* name;
        std::function<int()> run;
        int result;
    };
    const MEDIA_HANDLE first = 0x48000000;
    const call calls[] = {
        {"RecvSocket", [&] { return RecvSocket(first); }, -1},
        {"SendSocket", [&] { return SendSocket(first); }, -1},
        {"CloseNetWork", [&] { return CloseNetWork(first); }, -1},
        {"AcceptNetWork", [] { return AcceptNetWork(); }, -1},
        {"PumpNetworkMessages(1)", [] { return PumpNetworkMessages(1); }, 0},
        {"PumpNetworkMessages(0)", [] { return PumpNetworkMessages(0); }, 0},
        {"TerminateNetWork", [] { return TerminateNetWork(); }, 0},
    };
    for (const call& c : calls)
        EXPECT_EQ(c.run(), c.result) << c.name;
    EXPECT_EQ(read(), "") << "nothing is logged";
    EXPECT_EQ(open_descriptors(), descriptors);

    // a notice for a socket no connection owns, directly and as message 1285
    EXPECT_EQ(HandleSocketMessage(1, 7), 0);
    EXPECT_EQ(masked_log(), "#:通信エラー No.#\r\n");
    watch();
    media::core::post_message(WM_SOCKET_NOTIFY, 7, 32);
    PumpWindowMessages();
    EXPECT_NE(std::find(seen_messages().begin(), seen_messages().end(),
                        media_test::seen_message{WM_SOCKET_NOTIFY, 7, 32}),
              seen_messages().end());
    EXPECT_EQ(masked_log(), "#:通信エラー No.#\r\n#:通信エラー No.#\r\n");
    EXPECT_EQ(open_descriptors(), descriptors);
}

class Network : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        create_window();
        descriptors_ = open_descriptors();
        ASSERT_EQ(media::core::start_network_for_test(port_), 0);
        ASSERT_GT(port_, 0);
    }

    // A client connected and accepted by one pump of the main window; the
    // handle, or -1.
    MEDIA_HANDLE connect(std::unique_ptr<loopback_client>& client, int receive_buffer = 0)
    {
        client = std::make_unique<loopback_client>(port_, receive_buffer);
        if (!client->connected())
            return -1;
        const int before = net_state.table.count();
        PumpWindowMessages();
        if (net_state.table.count() != before + 1)
            return -1;
        for (HANDLENODE* n = net_state.first.next; n != &net_state.last; n = n->next) {
            const auto* c = static_cast<NETCONN*>(n->data);
            if (c->peer_port == client->local_port())
                return c->handle;
        }
        return -1;
    }

    static NETCONN* conn(MEDIA_HANDLE handle) { return net_state.table.find(handle); }

    std::size_t descriptors_ = 0;
    int port_ = 0;
};

TEST_F(Network, ConnectionsAreAcceptedAtTheNextPumpWithCountedHandles)
{
    std::unique_ptr<loopback_client> a, b;
    EXPECT_EQ(connect(a), 0x48000000);
    EXPECT_EQ(connect(b), 0x48010001);
    EXPECT_EQ(net_state.table.count(), 2);
    for (const auto* client : {a.get(), b.get()}) {
        const MEDIA_HANDLE h = client == a.get() ? 0x48000000 : 0x48010001;
        const NETCONN* c = conn(h);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->used, 1);
        EXPECT_EQ(c->framed, 1);
        EXPECT_EQ(c->auto_close, 1);
        EXPECT_EQ(c->handle, h);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(c->peer_address), 4), std::string("\x7F\0\0\x01", 4));
        EXPECT_EQ(c->peer_port, client->local_port());
    }
    // the listener and the two accepted sockets, beside the clients' own
    EXPECT_EQ(open_descriptors(), descriptors_ + 5);
}

TEST_F(Network, FramedReceiveCollectsWholeMessages)
{
    struct after_pump {
        std::string held;      // the receive ring: complete messages and the part of the current one
        std::int64_t total;    // bytes of complete messages
    };
    struct receive_case {
        const char* name;
        std::vector<std::string> sends;  // one pump after each
        std::vector<after_pump> after;
    };
    const std::string zero(1, '\0');
    const receive_case cases[] = {
        {"one message", {framed("hello")}, {{"hello", 5}}},
        {"length, 2 bytes, 3 bytes", {length_word(5), "he", "llo"}, {{"", 0}, {"he", 0}, {"hello", 5}}},
        {"the length word split", {std::string("\x05\x00", 2), zero + zero + "hello"}, {{"", 0}, {"hello", 5}}},
        {"two messages in one send", {framed("abc") + framed("de")}, {{"abcde", 5}}},
        {"an empty message before another", {framed("") + framed("xy")}, {{"xy", 2}}},
        {"an empty message alone, then one", {framed(""), framed("z")}, {{"", 0}, {"z", 1}}},
        {"one byte a pump",
         {"\x02", zero, zero, zero, "a", "b"},
         {{"", 0}, {"", 0}, {"", 0}, {"", 0}, {"a", 0}, {"ab", 2}}},
    };
    for (const receive_case& rc : cases) {
        std::unique_ptr<loopback_client> client;
        const MEDIA_HANDLE h = connect(client);
        ASSERT_GE(h, 0) << rc.name;
        for (std::size_t i = 0; i < rc.sends.size(); ++i) {
            ASSERT_TRUE(client->send(rc.sends[i])) << rc.name;
            PumpWindowMessages();
            EXPECT_EQ(held_bytes(conn(h)->receive), rc.after[i].held) << rc.name << ", pump " << i;
            EXPECT_EQ(conn(h)->received_total, rc.after[i].total) << rc.name << ", pump " << i;
        }
        EXPECT_EQ(conn(h)->missing, 0) << rc.name;
        EXPECT_EQ(CloseNetWork(h), 0) << rc.name;
    }
}

TEST_F(Network, ReceiveAndSendWrapAroundTheRingsEnd)
{
    std::unique_ptr<loopback_client> client;
    const MEDIA_HANDLE h = connect(client);
    ASSERT_GE(h, 0);
    // three bytes fit before the end of the receive ring, the rest wraps
    place(conn(h)->receive, 1020, 1017);
    ASSERT_TRUE(client->send(framed("wrapped")));
    ASSERT_EQ(RecvSocket(h), 0);
    EXPECT_EQ(conn(h)->receive.write, 4);
    EXPECT_EQ(held_bytes(conn(h)->receive), "wrapped");

    place(conn(h)->send, 1010, 1006);
    put(conn(h)->send, "0123456789");
    ASSERT_EQ(conn(h)->send.write, 6);
    ASSERT_EQ(SendSocket(h), 0);
    EXPECT_EQ(client->read(14), framed("0123456789"));
    EXPECT_EQ(conn(h)->send.held, 0);
}

TEST_F(Network, SendFramesTheSendRing)
{
    std::unique_ptr<loopback_client> client;
    const MEDIA_HANDLE h = connect(client);
    ASSERT_GE(h, 0);
    put(conn(h)->send, "world");
    EXPECT_EQ(SendSocket(h), 0);
    EXPECT_EQ(client->read(9), std::string("\x05\0\0\0world", 9));
    EXPECT_EQ(conn(h)->send.held, 0);
    EXPECT_EQ(conn(h)->send_left, 0);
    // an empty ring sends nothing, not even a length
    EXPECT_EQ(SendSocket(h), 0);
    EXPECT_EQ(client->read_available(), "");
}

TEST_F(Network, ALargeSendFollowsThroughWriteNoticesAsTheClientReads)
{
    std::unique_ptr<loopback_client> client;
    const MEDIA_HANDLE h = connect(client, 64 * 1024);
    ASSERT_GE(h, 0);
    const int size = 8 << 20;
    std::string body(static_cast<std::size_t>(size), '\0');
    for (int i = 0; i < size; ++i)
        body[static_cast<std::size_t>(i)] = static_cast<char>((i * 131) >> 7);
    put(conn(h)->send, body);
    ASSERT_EQ(SendSocket(h), 0);
    // the client has not read: only part of it went
    EXPECT_GT(conn(h)->send.held, 0);
    EXPECT_LT(conn(h)->send.held, size);
    const std::string expected = framed(body);
    std::string got;
    // only pumps from here: the write notices carry the rest
    for (int i = 0; i < 200000 && got.size() < expected.size(); ++i) {
        const std::string part = client->read_available();
        got += part;
        if (part.empty())
            got += client->read(1, 10);  // waits on the socket, at most 10 ms
        PumpNetworkMessages(0);
    }
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "the bytes arrived out of order or changed";
    EXPECT_EQ(conn(h)->send.held, 0);
    EXPECT_EQ(conn(h)->send_left, 0);
}

TEST_F(Network, RefusedLengthsMarkTheErrorAndTheSweepClosesTheConnection)
{
    struct refused_case {
        const char* name;
        std::uint32_t length;
        int failing_heap_requests;  // the ring's own allocation fails
    };
    const refused_case cases[] = {
        {"-1", 0xFFFFFFFFu, 0},
        {"-16", 0xFFFFFFF0u, 0},
        {"the lowest negative", 0x80000000u, 0},
        {"too large for a block", 0x7FFFFFF0u, 0},
        {"one past the 64 MiB limit", (64u << 20) + 1, 0},
        {"an allocation that fails", 5, 1},
    };
    for (const refused_case& rc : cases) {
        std::unique_ptr<loopback_client> client;
        const MEDIA_HANDLE h = connect(client);
        ASSERT_GE(h, 0) << rc.name;
        const int blocks = media::core::alloc_state.count;
        ASSERT_TRUE(client->send(length_word(rc.length) + "abcde")) << rc.name;
        media::core::fail_next_heap_requests(rc.failing_heap_requests);
        OpenLogFile();
        EXPECT_EQ(RecvSocket(h), -1) << rc.name;
        media::core::fail_next_heap_requests(0);
        EXPECT_EQ(conn(h)->error, 1) << rc.name;
        EXPECT_EQ(media::core::alloc_state.count, blocks) << rc.name;
        EXPECT_EQ(RecvSocket(h), -1) << rc.name;
        EXPECT_EQ(SendSocket(h), -1) << rc.name;
        char line[200];
        std::snprintf(line, sizeof line, "受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)\r\n",
                      static_cast<std::int32_t>(rc.length));
        const std::string log = read();
        EXPECT_NE(log.find(line), std::string::npos) << rc.name << "\n" << log;
        EXPECT_NE(log.find("このネットワークハンドルにはエラーが発生しています in RecvSocket\r\n"), std::string::npos) << rc.name;
        EXPECT_NE(log.find("このネットワークハンドルにはエラーが発生しています in SendSocket\r\n"), std::string::npos) << rc.name;
        // the sweep closes it
        EXPECT_EQ(PumpNetworkMessages(1), 0);
        EXPECT_EQ(conn(h), nullptr) << rc.name;
        EXPECT_EQ(net_state.table.count(), 0) << rc.name;
        EXPECT_TRUE(client->wait_for_end()) << rc.name;
    }
    // a connection after them all still works
    std::unique_ptr<loopback_client> client;
    const MEDIA_HANDLE h = connect(client);
    ASSERT_GE(h, 0);
    ASSERT_TRUE(client->send(framed("ok")));
    PumpWindowMessages();
    EXPECT_EQ(held_bytes(conn(h)->receive), "ok");
    EXPECT_EQ(open_descriptors(), descriptors_ + 3);
}

TEST_F(Network, AConnectionEndedByItsPeerIsSweptAfterItsBytes)
{
    struct end_case {
        const char* name;
        std::string bytes;
        bool reset;
        std::string held;  // what the ring holds before the sweep
    };
    const end_case cases[] = {
        {"a message, then an orderly end", framed("bye"), false, "bye"},
        {"a length, then an orderly end", length_word(10), false, ""},
        {"half a message, then a reset", length_word(10) + "abc", true, "abc"},
        {"nothing, then a reset", "", true, ""},
        {"a garbage length, then an end", "\x41\x41\x41\x41", false, ""},
    };
    for (const end_case& ec : cases) {
        std::unique_ptr<loopback_client> client;
        const MEDIA_HANDLE h = connect(client);
        ASSERT_GE(h, 0) << ec.name;
        if (!ec.bytes.empty())
            ASSERT_TRUE(client->send(ec.bytes)) << ec.name;
        if (ec.reset)
            client->reset();
        else
            client->close();
        // the pumps without a sweep take the bytes and the close notice
        for (int i = 0; i < 20 && conn(h)->closed_by_peer == 0 && conn(h)->error == 0; ++i)
            PumpNetworkMessages(0);
        ASSERT_NE(conn(h), nullptr) << ec.name;
        EXPECT_TRUE(conn(h)->closed_by_peer == 1 || conn(h)->error == 1) << ec.name;
        EXPECT_EQ(conn(h)->connected, 0) << ec.name;
        if (conn(h)->error == 0) {
            EXPECT_EQ(held_bytes(conn(h)->receive), ec.held) << ec.name;
        }
        PumpWindowMessages();  // its sweep
        EXPECT_EQ(conn(h), nullptr) << ec.name;
        EXPECT_EQ(net_state.table.at(0), nullptr) << ec.name;
        EXPECT_EQ(net_state.table.count(), 0) << ec.name;
        EXPECT_EQ(open_descriptors(), descriptors_ + 1) << ec.name << ": the listener alone";
    }
}

TEST_F(Network, QueuedNoticesOfAClosedSocketDoNotReachItsDescriptorsNextOwner)
{
    std::unique_ptr<loopback_client> a;
    const MEDIA_HANDLE first = connect(a);
    ASSERT_GE(first, 0);
    const int socket = conn(first)->socket;
    // a close notice still queued when the connection is closed
    net_state.window_queue.push_back(
        media::core::NETMESSAGE{WM_SOCKET_NOTIFY, static_cast<WPARAM>(socket), platform::net::event_close});
    ASSERT_EQ(CloseNetWork(first), 0);
    a.reset();
    std::unique_ptr<loopback_client> b;
    const MEDIA_HANDLE second = connect(b);
    ASSERT_GE(second, 0);
    ASSERT_EQ(conn(second)->socket, socket) << "the descriptor number was not reused";
    PumpNetworkMessages(0);
    EXPECT_EQ(conn(second)->closed_by_peer, 0);
    PumpWindowMessages();
    EXPECT_NE(conn(second), nullptr) << "swept by the old connection's notice";
}

TEST_F(Network, CloseWaitsAtMostASecondForAHalfMessageAndRefusesBadHandles)
{
    std::unique_ptr<loopback_client> client;
    const MEDIA_HANDLE h = connect(client);
    ASSERT_GE(h, 0);
    ASSERT_TRUE(client->send(length_word(10) + "ab"));
    PumpNetworkMessages(0);
    ASSERT_EQ(conn(h)->missing, 8);
    platform::headless::set_clock_step(7);
    const int start = GetTickMillis();
    EXPECT_EQ(CloseNetWork(h), 0);
    const int waited = GetTickMillis() - start;
    platform::headless::set_clock_step(0);
    EXPECT_GE(waited, 1000);
    EXPECT_LT(waited, 1200);
    EXPECT_EQ(net_state.table.count(), 0);
    EXPECT_TRUE(client->wait_for_end());

    // a second connection reuses slot 0 with the next check number
    std::unique_ptr<loopback_client> other;
    const MEDIA_HANDLE next = connect(other);
    ASSERT_EQ(next, 0x48010000);
    const MEDIA_HANDLE bad[] = {
        h,                                                     // stale: slot 0 holds the next check number
        (next & 0x07FFFFFF) | (HANDLEKIND_KEYINPUT << 27),     // another kind
        next | 0x00000005,                                     // an empty slot
        -1,
    };
    for (const MEDIA_HANDLE handle : bad) {
        EXPECT_EQ(CloseNetWork(handle), -1) << std::hex << handle;
        EXPECT_EQ(RecvSocket(handle), -1) << std::hex << handle;
        EXPECT_EQ(SendSocket(handle), -1) << std::hex << handle;
    }
    EXPECT_EQ(CloseNetWork(next), 0);
    EXPECT_EQ(CloseNetWork(next), -1) << "deleted";
}

TEST_F(Network, TheLastSlotOfTheTableIsReachedByLookUp)
{
    // accepting never fills slot 4096, but look-up accepts it
    auto* c = static_cast<NETCONN*>(ManagedCalloc(sizeof(NETCONN), "test", 0));
    c->used = 1;
    c->socket = -1;
    c->error = 1;
    const MEDIA_HANDLE h = net_state.table.create_in(c, 4096, 3);
    ASSERT_EQ(h, 4096 | (3 << 16) | (HANDLEKIND_NETWORK << 27));
    c->handle = h;
    OpenLogFile();
    EXPECT_EQ(RecvSocket(h), -1);
    EXPECT_EQ(masked_log(), "#:このネットワークハンドルにはエラーが発生しています in RecvSocket\r\n");
    EXPECT_EQ(PumpNetworkMessages(1), 0);
    EXPECT_EQ(net_state.table.count(), 0) << "swept";
}

TEST_F(Network, ReceiveAndSendRefuseToReenterThemselves)
{
    std::unique_ptr<loopback_client> client;
    const MEDIA_HANDLE h = connect(client);
    ASSERT_GE(h, 0);
    ASSERT_TRUE(client->send(framed("later")));
    put(conn(h)->send, "held");
    // as when reached through the pump a receive or a send runs
    net_state.receiving = 1;
    EXPECT_EQ(RecvSocket(h), -1);
    net_state.receiving = 0;
    net_state.sending = 1;
    EXPECT_EQ(SendSocket(h), -1);
    // the read notice that came while receiving is kept for the next poll
    net_state.receiving = 1;
    PumpNetworkMessages(0);
    net_state.sending = 0;
    net_state.receiving = 0;
    EXPECT_EQ(held_bytes(conn(h)->receive), "");
    EXPECT_EQ(held_bytes(conn(h)->send), "held");
    PumpNetworkMessages(0);
    EXPECT_EQ(held_bytes(conn(h)->receive), "later");
    EXPECT_EQ(SendSocket(h), 0);
    EXPECT_EQ(client->read(8), framed("held"));
}

TEST_F(Network, AcceptFailuresLeaveNothingBehind)
{
    struct failure_case {
        const char* name;
        bool client;                 // a client waits
        std::function<void()> arm;   // makes the failure
        std::string line;            // the log line, its numbers masked
    };
    const failure_case cases[] = {
        {"the record's allocation", true, [] { media::core::fail_next_heap_requests(1); },
         "#:ソケット用のメモリの確保に失敗しました\r\n"},
        {"nothing waiting", false, [] {}, "#:ネットワークログ。acceptに失敗しました[#]\r\n"},
        {"the registration", true, [] { platform::net::fail_next_select(ENOBUFS); },
         "#:ネットワークログ。WSAAsyncSelectのエラー in AcceptNetWork[#]\r\n"},
    };
    for (const failure_case& fc : cases) {
        std::unique_ptr<loopback_client> client;
        if (fc.client)
            client = std::make_unique<loopback_client>(port_);
        const std::size_t descriptors = open_descriptors();
        const int blocks = media::core::alloc_state.count;
        const int counter = net_state.table.counter();
        OpenLogFile();
        fc.arm();
        if (fc.client) {
            PumpNetworkMessages(0);  // the accept notice
        } else {
            EXPECT_EQ(AcceptNetWork(), -1) << fc.name;
        }
        media::core::fail_next_heap_requests(0);
        EXPECT_NE(masked_log().find(fc.line), std::string::npos) << fc.name << "\n" << read();
        EXPECT_EQ(net_state.table.count(), 0) << fc.name;
        EXPECT_EQ(net_state.table.at(0), nullptr) << fc.name;
        EXPECT_EQ(net_state.table.counter(), counter) << fc.name;
        EXPECT_EQ(media::core::alloc_state.count, blocks) << fc.name;
        EXPECT_EQ(open_descriptors(), descriptors) << fc.name;
        // a refused client still waits: take it and close it, so the next
        // case starts with nothing waiting
        if (fc.client && AcceptNetWork() == 1) {
            EXPECT_EQ(CloseNetWork(net_state.table.handle_at(0)), 0) << fc.name;
        }
    }
    OpenLogFile();
    EXPECT_EQ(AcceptNetWork(), -1);
    EXPECT_NE(read().find("acceptに失敗しました[" + std::to_string(EAGAIN) + "]"), std::string::npos);
}

TEST_F(Network, AFullTableRefusesTheNextConnection)
{
    for (int slot = 0; slot < media::core::NET_ACCEPT_SLOTS; ++slot) {
        auto* c = static_cast<NETCONN*>(ManagedCalloc(sizeof(NETCONN), "test", 0));
        c->used = 1;
        c->socket = -1;
        c->connected = 1;
        c->handle = net_state.table.create(c);
    }
    const int counter = net_state.table.counter();
    const int blocks = media::core::alloc_state.count;
    loopback_client client(port_);
    ASSERT_TRUE(client.connected());
    OpenLogFile();
    PumpWindowMessages();
    EXPECT_EQ(masked_log(), "#:空きソケットデータがなかったので accept を拒否しました \r\n");
    EXPECT_EQ(net_state.table.count(), media::core::NET_ACCEPT_SLOTS);
    EXPECT_EQ(net_state.table.at(media::core::NET_ACCEPT_SLOTS), nullptr);
    EXPECT_EQ(net_state.table.counter(), counter);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
    EXPECT_EQ(open_descriptors(), descriptors_ + 2) << "the listener and the client: not accepted";
    // a freed slot takes the waiting client at the next accept
    ASSERT_EQ(CloseNetWork(net_state.table.handle_at(7)), 0);
    EXPECT_EQ(AcceptNetWork(), 1);
    const NETCONN* c = net_state.table.at(7);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->peer_port, client.local_port());
    EXPECT_EQ(c->handle, 7 | (counter << 16) | (HANDLEKIND_NETWORK << 27));
}

TEST_F(Network, TerminateClosesEverythingOnce)
{
    std::unique_ptr<loopback_client> a, b;
    ASSERT_GE(connect(a), 0);
    ASSERT_GE(connect(b), 0);
    ASSERT_TRUE(a->send(framed("pending")));
    OpenLogFile();
    EXPECT_EQ(TerminateNetWork(), 0);
    EXPECT_EQ(masked_log(), "#:ネットワーク関連の終了処理を行います \r\n#:ネットワーク関連の終了処理は完了しました\r\n");
    EXPECT_EQ(net_state.started, 0);
    EXPECT_EQ(net_state.window, 0);
    EXPECT_EQ(net_state.window_closed, 1);
    EXPECT_EQ(net_state.table.count(), 0);
    EXPECT_EQ(open_descriptors(), descriptors_ + 2) << "only the clients";
    EXPECT_TRUE(a->wait_for_end());
    EXPECT_TRUE(b->wait_for_end());
    // a second call does nothing, and nothing runs any more
    const std::string log = read();
    EXPECT_EQ(TerminateNetWork(), 0);
    EXPECT_EQ(AcceptNetWork(), -1);
    EXPECT_EQ(PumpNetworkMessages(1), 0);
    EXPECT_EQ(read(), log);
}

using NetworkEnd = headless_media;

TEST_F(NetworkEnd, TheLayersEndTerminatesTheNetworkFirst)
{
    const std::size_t descriptors = open_descriptors();
    platform::headless::set_clock_step(1);
    ASSERT_EQ(InitMediaLayer(), 0);
    int port = 0;
    ASSERT_EQ(media::core::start_network_for_test(port), 0);
    {
        loopback_client client(port);
        PumpWindowMessages();
        ASSERT_EQ(net_state.table.count(), 1);
        EXPECT_EQ(EndMediaLayer(), 0);
        EXPECT_TRUE(client.wait_for_end());
    }
    EXPECT_EQ(net_state.started, 0);
    EXPECT_EQ(open_descriptors(), descriptors);
    const std::string log = read();
    const std::size_t network = log.find("ネットワーク関連の終了処理は完了しました\r\n");
    ASSERT_NE(network, std::string::npos);
    EXPECT_LT(network, log.find("ＣＯＭを終了... 完了\r\n"));
}

}  // namespace
