// Network connections: message-framed TCP connections named by network
// handles, each with a receive and a send ring, driven by socket notices
// that the network window's pump turns into message 1285.
#pragma once

#include "media/core/handle.hpp"
#include "media/core/window.hpp"

// Receives what has arrived on the connection: complete messages go into its
// receive ring. 0, or -1 (bad handle, a receive already running, a refused
// length, a connection with its error flag).
int RecvSocket(MEDIA_HANDLE handle);
// Sends what the connection's send ring holds as one message, as far as the
// socket takes it now; the rest follows on write notices. 0 or -1.
int SendSocket(MEDIA_HANDLE handle);
// Accepts a waiting connection into the first free slot: 1, or -1.
int AcceptNetWork();
// Waits up to 1000 ms each for a half-received message and for the send ring
// to drain, then closes the connection: 0, or -1 for a bad handle.
int CloseNetWork(MEDIA_HANDLE handle);
// Closes every connection and the network window; 0. Nothing when the
// network was not started.
int TerminateNetWork();
// With close_finished set, first closes the connections with an error or
// ended by the peer; then turns the socket notices into messages of the
// network window and dispatches them; 0.
int PumpNetworkMessages(int close_finished);
// The handler of message 1285 (event word, socket): 1, or 0 for a socket no
// connection owns.
LRESULT HandleSocketMessage(LPARAM lParam, WPARAM wParam);
// Logs "ネットワークログ。<text>[<error number>]" with the formatted text and the
// last socket error number; -1.
int NetLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace media::core {

#if ZENTIL_TEST_HOOKS
// Starts the service as nothing in the program does: sets the started flag,
// makes the network window, listens on 127.0.0.1 at a port the system picks
// (given back in port) and registers the listener for accept notices. 0, or
// -1 when already started or the socket fails.
int start_network_for_test(int& port);
#endif

}  // namespace media::core
