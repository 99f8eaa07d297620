// One running copy per name: an exclusive lock on "<folder>/<name>.lock"
// that ends with its holder's release or exit. The folder is
// ZENTIL_LOCK_DIR, else $XDG_RUNTIME_DIR, else the temporary folder.
#pragma once

#include <string>

namespace platform {

enum class lock_result {
    acquired,
    held,    // another holder has it
    failed,  // the lock file cannot be made (error set)
};

class instance_lock {
public:
    instance_lock() = default;
    ~instance_lock() { release(); }
    instance_lock(const instance_lock&) = delete;
    instance_lock& operator=(const instance_lock&) = delete;

    // Takes the lock of name ('/' in it becomes '_'). Releases a lock this
    // object held before.
    lock_result try_acquire(const std::wstring& name);
    void release();
    bool is_held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

#if ZENTIL_TEST_HOOKS
// The folder of later locks in place of the environment's; empty goes back
// to the environment.
void set_lock_folder(const std::wstring& folder);
#endif

}  // namespace platform
