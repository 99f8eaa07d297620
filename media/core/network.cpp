// Network connections: the connection table, framed receive and send over
// the rings, accept, close, the network window's pump and the end.
#include "media/core/network.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/window_services.hpp"

using media::core::NETCONN;
using media::core::net_state;
using media::core::NETMESSAGE;
namespace net = platform::net;

namespace {

// How long a close waits for a half-received message, and again for the
// send ring to drain.
constexpr int close_wait_ms = 1000;

void ensure_list()
{
    if (net_state.first.next == nullptr)
        InitHandleChain(&net_state.first, &net_state.last);
}

NETCONN* look_up(MEDIA_HANDLE handle)
{
    if (net_state.started == 0)
        return nullptr;
    return net_state.table.find(handle);
}

// The live connection on a socket, or null.
NETCONN* by_socket(int socket)
{
    if (net_state.started == 0 || net_state.first.next == nullptr)
        return nullptr;
    for (HANDLENODE* n = net_state.first.next; n != &net_state.last; n = n->next) {
        auto* c = static_cast<NETCONN*>(n->data);
        if (c->used != 0 && c->socket == socket)
            return c;
    }
    return nullptr;
}

std::int32_t read_length(const unsigned char* word)
{
    const std::uint32_t v = static_cast<std::uint32_t>(word[0]) | static_cast<std::uint32_t>(word[1]) << 8 |
                            static_cast<std::uint32_t>(word[2]) << 16 | static_cast<std::uint32_t>(word[3]) << 24;
    return static_cast<std::int32_t>(v);
}

void write_length(unsigned char* word, std::int32_t length)
{
    const auto v = static_cast<std::uint32_t>(length);
    word[0] = static_cast<unsigned char>(v);
    word[1] = static_cast<unsigned char>(v >> 8);
    word[2] = static_cast<unsigned char>(v >> 16);
    word[3] = static_cast<unsigned char>(v >> 24);
}

// Receives up to count bytes into the ring at its write position, in two
// parts when the free space wraps; the bytes received. The caller has made
// room for count.
int receive_into_ring(NETCONN& c, int count)
{
    RINGBUF& r = c.receive;
    int total = 0;
    while (count > 0) {
        NormalizeRingBuffer(&r);
        const int room = std::min(r.capacity - r.held, r.capacity - r.write);
        const int part = std::min(count, room);
        if (part <= 0)
            break;
        const long got = net_state.notifier.receive(c.socket, r.data + r.write, static_cast<std::size_t>(part), false);
        if (got <= 0)
            break;
        r.write += static_cast<int>(got);
        r.held += static_cast<int>(got);
        total += static_cast<int>(got);
        count -= static_cast<int>(got);
        if (got < part)
            break;
    }
    NormalizeRingBuffer(&r);
    return total;
}

// Sends up to count held bytes from the ring's read position, in two parts
// when they wrap; the bytes sent.
int send_from_ring(NETCONN& c, int count)
{
    RINGBUF& r = c.send;
    int total = 0;
    while (count > 0 && r.held > 0) {
        NormalizeRingBuffer(&r);
        const int part = std::min({count, r.held, r.capacity - r.read});
        if (part <= 0)
            break;
        const long sent = net_state.notifier.send(c.socket, r.data + r.read, static_cast<std::size_t>(part));
        if (sent <= 0)
            break;
        r.read += static_cast<int>(sent);
        r.held -= static_cast<int>(sent);
        total += static_cast<int>(sent);
        count -= static_cast<int>(sent);
        if (sent < part)
            break;
    }
    NormalizeRingBuffer(&r);
    return total;
}

int receive_messages(MEDIA_HANDLE handle)
{
    PumpNetworkMessages(0);
    NETCONN* c = look_up(handle);  // looked up again: the pump may have ended it
    if (c == nullptr || c->used == 0)
        return LogWrite("有効なネットワークハンドルではありません in RecvSocket\n");
    if (c->error != 0)
        return LogWrite("このネットワークハンドルにはエラーが発生しています in RecvSocket\n");
    if (c->framed == 0)
        return 0;
    for (;;) {
        int got = 0;
        if (c->missing == 0) {
            unsigned char word[4];
            if (net_state.notifier.receive(c->socket, word, 4, true) < 4)
                break;
            const std::int32_t size = read_length(word);
            // the ring is sized by the announced length before any of it
            // arrives, so a length no message may have is refused first
            if (size < 0 || size > media::core::NET_MESSAGE_LIMIT || ReserveRingBuffer(size, &c->receive) != 0) {
                LogPrintf("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", size);
                c->error = 1;
                return -1;
            }
            // the length word is consumed before its body, as the sender sends it
            net_state.notifier.receive(c->socket, word, 4, false);
            c->message_size = size;
            c->missing = size;
            got = 4;
        }
        if (c->missing > 0) {
            const int body = receive_into_ring(*c, c->missing);
            c->missing -= body;
            got += body;
        }
        const bool complete = c->missing == 0;
        if (complete && got > 0)
            c->received_total += c->message_size;
        const int pumped = PumpNetworkMessages(0);
        c = look_up(handle);
        if (c == nullptr || got == 0 || !complete || pumped != 0)
            break;
    }
    return 0;
}

int send_messages(MEDIA_HANDLE handle)
{
    PumpNetworkMessages(0);
    NETCONN* c = look_up(handle);
    if (c == nullptr || c->used == 0)
        return LogWrite("有効なネットワークハンドルではありません in SendSocket\n");
    if (c->error != 0)
        return LogWrite("このネットワークハンドルにはエラーが発生しています in SendSocket\n");
    if (c->framed == 0)
        return 0;
    while (c->send.held > 0 || c->send_left > 0 || c->length_unsent > 0) {
        int went = 0;
        if (c->length_unsent > 0) {
            const long sent = net_state.notifier.send(c->socket, c->length_word + 4 - c->length_unsent,
                                                      static_cast<std::size_t>(c->length_unsent));
            if (sent > 0) {
                c->length_unsent -= static_cast<int>(sent);
                went += static_cast<int>(sent);
            }
            if (c->length_unsent > 0)
                break;
        }
        if (c->send_left == 0) {
            if (c->send.held == 0)
                break;
            write_length(c->length_word, c->send.held);
            const long sent = net_state.notifier.send(c->socket, c->length_word, 4);
            if (sent <= 0)
                break;
            c->send_left = c->send.held;
            went += static_cast<int>(sent);
            if (sent < 4) {
                c->length_unsent = 4 - static_cast<int>(sent);
                break;
            }
        }
        const int body = send_from_ring(*c, c->send_left);
        c->send_left -= body;
        went += body;
        const int pumped = PumpNetworkMessages(0);
        c = look_up(handle);
        if (c == nullptr || went == 0 || pumped != 0)
            break;
    }
    return 0;
}

// Drops the network window's queued notices of a socket that is closing: its
// number may be given to the next connection accepted.
void drop_notices(int socket)
{
    auto& q = net_state.window_queue;
    q.erase(std::remove_if(q.begin(), q.end(),
                           [socket](const NETMESSAGE& m) {
                               return m.message == WM_SOCKET_NOTIFY && static_cast<int>(m.wParam) == socket;
                           }),
            q.end());
}

// Frees what a connection holds and empties its slot; the socket is closed
// already or never was.
void free_connection(NETCONN* c, MEDIA_HANDLE handle)
{
    FreeRingBuffer(&c->receive);
    FreeRingBuffer(&c->send);
    RemoveHandleChain(&c->node);
    net_state.table.remove(handle);
    ManagedFree(c);
}

// Closes the connections ended by an error, or by the peer while not
// connected and set to close by themselves.
void sweep()
{
    for (int slot = 0; slot < net_state.table.high_water(); ++slot) {
        const NETCONN* c = net_state.table.at(slot);
        if (c == nullptr || c->used == 0)
            continue;
        if (c->error != 0 || (c->connected == 0 && c->closed_by_peer != 0 && c->auto_close != 0))
            CloseNetWork(net_state.table.handle_at(slot));
    }
}

int elapsed_since(int start)
{
    return (GetTickMillis() - start) & 0x7fffffff;
}

}  // namespace

int RecvSocket(MEDIA_HANDLE handle)
{
    if (look_up(handle) == nullptr || net_state.receiving != 0)
        return -1;
    net_state.receiving = 1;
    const int result = receive_messages(handle);
    net_state.receiving = 0;
    return result;
}

int SendSocket(MEDIA_HANDLE handle)
{
    if (look_up(handle) == nullptr || net_state.sending != 0)
        return -1;
    net_state.sending = 1;
    const int result = send_messages(handle);
    net_state.sending = 0;
    return result;
}

int AcceptNetWork()
{
    if (net_state.started == 0 || net_state.listener < 0)
        return -1;
    PumpNetworkMessages(0);
    if (net_state.started == 0 || net_state.listener < 0)
        return -1;
    int slot = 0;
    while (slot < media::core::NET_ACCEPT_SLOTS && net_state.table.at(slot) != nullptr)
        ++slot;
    if (slot == media::core::NET_ACCEPT_SLOTS)
        return LogWrite("空きソケットデータがなかったので accept を拒否しました \n");
    auto* c = static_cast<NETCONN*>(ManagedCalloc(static_cast<int>(sizeof(NETCONN)), "network.cpp", __LINE__));
    if (c == nullptr)
        return LogWrite("ソケット用のメモリの確保に失敗しました\n");
    c->used = 1;
    c->framed = net_state.framed;
    c->auto_close = net_state.auto_close;
    c->socket = -1;
    // the kind's counter advances only once the connection stays
    c->check = net_state.table.counter();
    c->handle = net_state.table.create_in(c, slot, c->check);
    ensure_list();
    InsertHandleChain(&net_state.first, &c->node, c->handle, c);

    net::peer_address from{};
    const int socket = net_state.notifier.accept(net_state.listener, from);
    if (socket < 0) {
        NetLogPrintf("acceptに失敗しました");
        free_connection(c, c->handle);
        return -1;
    }
    c->socket = socket;
    std::memcpy(c->peer_address, from.address, sizeof c->peer_address);
    c->peer_port = from.port;
    if (net_state.notifier.select(socket, net::event_read | net::event_write | net::event_close) != 0) {
        NetLogPrintf("WSAAsyncSelectのエラー in AcceptNetWork");
        net_state.notifier.close(socket);
        free_connection(c, c->handle);
        return -1;
    }
    net_state.table.advance_counter();
    return 1;
}

int CloseNetWork(MEDIA_HANDLE handle)
{
    if (look_up(handle) == nullptr)
        return -1;
    PumpNetworkMessages(0);
    NETCONN* c = look_up(handle);
    if (c == nullptr)
        return -1;
    // Waits only while more can come: a peer that has ended (or an error)
    // leaves nothing to wait for.
    int start = GetTickMillis();
    while (c != nullptr && c->missing > 0 && c->error == 0 && c->closed_by_peer == 0 &&
           elapsed_since(start) < close_wait_ms) {
        if (RecvSocket(handle) != 0)
            break;
        c = look_up(handle);
    }
    start = GetTickMillis();
    while (c != nullptr && (c->send.held > 0 || c->send_left > 0 || c->length_unsent > 0) && c->error == 0 &&
           elapsed_since(start) < close_wait_ms) {
        if (SendSocket(handle) != 0)
            break;
        c = look_up(handle);
    }
    if (c == nullptr)
        return -1;
    if (c->socket >= 0) {
        net_state.notifier.close(c->socket);
        drop_notices(c->socket);
    }
    free_connection(c, handle);
    return 0;
}

int TerminateNetWork()
{
    if (net_state.started == 0)
        return 0;
    LogWrite("ネットワーク関連の終了処理を行います \n");
    // no connection is accepted while the others close
    if (net_state.listener >= 0) {
        net_state.notifier.select(net_state.listener, 0);
        drop_notices(net_state.listener);
    }
    for (int slot = 0; slot < net_state.table.high_water(); ++slot) {
        const MEDIA_HANDLE handle = net_state.table.handle_at(slot);
        if (handle >= 0)
            CloseNetWork(handle);
    }
    if (net_state.window != 0) {
        net_state.window_queue.push_back(NETMESSAGE{WM_CLOSE, 0, 0});
        PumpNetworkMessages(0);
    }
    media::core::close_all_connections();
    LogWrite("ネットワーク関連の終了処理は完了しました\n");
    net_state.started = 0;
    return 0;
}

int PumpNetworkMessages(int close_finished)
{
    if (net_state.started == 0 || net_state.window == 0)
        return 0;
    if (close_finished != 0)
        sweep();
    std::vector<net::notice> notices;
    net_state.notifier.poll(notices);
    for (const net::notice& n : notices)
        net_state.window_queue.push_back(
            NETMESSAGE{WM_SOCKET_NOTIFY, static_cast<WPARAM>(n.socket), static_cast<LPARAM>(n.event)});
    while (net_state.window != 0 && !net_state.window_queue.empty()) {
        const NETMESSAGE m = net_state.window_queue.front();
        net_state.window_queue.pop_front();
        if (m.message == WM_SOCKET_NOTIFY) {
            HandleSocketMessage(m.lParam, m.wParam);
        } else if (m.message == WM_CLOSE) {
            net_state.window = 0;
            net_state.window_closed = 1;
            net_state.window_queue.clear();
        }
    }
    return 0;
}

LRESULT HandleSocketMessage(LPARAM lParam, WPARAM wParam)
{
    const int socket = static_cast<int>(wParam);
    const auto event = static_cast<std::uint32_t>(lParam);
    const std::uint32_t bit = event & 0xFFFF;
    const std::uint32_t error = (event >> 16) & 0xFFFF;
    // accept notices come on the listening socket, which no connection owns
    if (bit == net::event_accept && net_state.started != 0 && net_state.listener >= 0 &&
        socket == net_state.listener) {
        AcceptNetWork();
        return 1;
    }
    NETCONN* c = by_socket(socket);
    if (c == nullptr) {
        LogWrite("通信エラー No.1\n");
        return 0;
    }
    switch (bit) {
    case net::event_read:
        // a receive already running cannot take it; it comes again at the next poll
        if (net_state.receiving != 0)
            net_state.notifier.rearm(socket, net::event_read);
        else
            RecvSocket(c->handle);
        break;
    case net::event_write:
        if (net_state.sending != 0)
            net_state.notifier.rearm(socket, net::event_write);
        else
            SendSocket(c->handle);
        break;
    case net::event_accept:
        AcceptNetWork();
        break;
    case net::event_connect:
        if (error == 0)
            c->connected = 1;
        break;
    case net::event_close:
        c->connected = 0;
        c->closed_by_peer = 1;
        break;
    default:
        break;
    }
    return 1;
}

int NetLogPrintf(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return LogPrintf("ネットワークログ。%s[%d]", text, net::last_error());
}

namespace media::core {

void close_all_connections()
{
    for (int slot = 0; slot < net_state.table.high_water(); ++slot) {
        NETCONN* c = net_state.table.at(slot);
        if (c == nullptr)
            continue;
        if (c->socket >= 0)
            net::close_socket(c->socket);
        FreeRingBuffer(&c->receive);
        FreeRingBuffer(&c->send);
        ManagedFree(c);
    }
    net_state.table.clear();
    InitHandleChain(&net_state.first, &net_state.last);
    if (net_state.listener >= 0)
        net::close_socket(net_state.listener);
    net_state.listener = -1;
    net_state.notifier.clear();
    net_state.window_queue.clear();
}

#if ZENTIL_TEST_HOOKS
int start_network_for_test(int& port)
{
    if (net_state.started != 0)
        return -1;
    const int listener = net::listen_loopback(port);
    if (listener < 0)
        return -1;
    if (net_state.notifier.select(listener, net::event_accept) != 0) {
        net::close_socket(listener);
        return -1;
    }
    ensure_list();
    net_state.listener = listener;
    net_state.listen_port = port;
    net_state.window = 1;
    net_state.window_closed = 0;
    net_state.window_queue.clear();
    net_state.started = 1;
    return 0;
}
#endif

}  // namespace media::core
