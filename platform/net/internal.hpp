// What the socket calls and the notifier share.
#pragma once

namespace platform::net {

// Keeps errno as the thread's last error number and sets the error text; -1.
int fail(const char* text);

}  // namespace platform::net
