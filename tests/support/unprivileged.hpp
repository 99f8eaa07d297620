// Runs a check in a forked child as an ordinary user. Root ignores file
// permissions, so a test of what a read-only file or an unreadable folder
// does must not run as root: when the tests run as root, the child gives the
// folders it needs to the user "nobody" (65534) and drops to it; otherwise it
// runs as the caller. The child reports through its exit code.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace support {

struct child_result {
  bool ran = false;  // false: the child could not be run as an ordinary user
  int code = -1;     // the body's result: 0 when every check held
  std::string why;   // when it did not run
};

constexpr uid_t unprivileged_id = 65534;

// Runs body in a forked child; body returns 0 when its checks held, else the
// number of the check that failed. give lists folders (with everything in
// them) handed to the ordinary user first.
inline child_result run_unprivileged(const std::function<int()>& body, const std::vector<std::string>& give = {}) {
  child_result result;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    result.why = "fork failed";
    return result;
  }
  if (pid == 0) {
    // 200: the folders could not be given away; 201: no drop to the user.
    if (::geteuid() == 0) {
      std::error_code ec;
      for (const std::string& top : give) {
        if (::lchown(top.c_str(), unprivileged_id, unprivileged_id) != 0) ::_exit(200);
        for (std::filesystem::recursive_directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec))
          if (::lchown(it->path().c_str(), unprivileged_id, unprivileged_id) != 0) ::_exit(200);
        if (ec) ::_exit(200);
      }
      if (::setgroups(0, nullptr) != 0 || ::setgid(unprivileged_id) != 0 || ::setuid(unprivileged_id) != 0)
        ::_exit(201);
      if (::geteuid() == 0 || ::setuid(0) == 0) ::_exit(201);  // the drop must not be undoable
    }
    const int code = body();
    std::fflush(nullptr);
    ::_exit(code < 0 || code > 199 ? 199 : code);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) {
    result.why = "waitpid failed";
    return result;
  }
  if (!WIFEXITED(status)) {
    result.why = "the child ended by signal " + std::to_string(WTERMSIG(status));
    result.ran = true;  // it ran, and that is a failure of the check
    result.code = 1000 + WTERMSIG(status);
    return result;
  }
  const int code = WEXITSTATUS(status);
  if (code == 200 || code == 201) {
    result.why = code == 200 ? "the test folders could not be given to user 65534 (tests run as root, which ignores "
                               "permissions)"
                             : "privileges could not be dropped to user 65534 (tests run as root, which ignores "
                               "permissions)";
    return result;
  }
  result.ran = true;
  result.code = code;
  return result;
}

}  // namespace support
