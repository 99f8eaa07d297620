// Instance locks between processes, in a lock folder of the test's own.
#include "platform/system/instance_lock.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_folder.hpp"

namespace {

class InstanceLock : public ::testing::Test {
protected:
    void SetUp() override { platform::set_lock_folder(dir_.wpath()); }
    void TearDown() override { platform::set_lock_folder(L""); }

    // What a child process gets for name: its exit code is the result.
    static platform::lock_result child_attempt(const std::wstring& name)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            platform::instance_lock lock;
            ::_exit(static_cast<int>(lock.try_acquire(name)));
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return static_cast<platform::lock_result>(WEXITSTATUS(status));
    }

    support::temp_folder dir_;
};

TEST_F(InstanceLock, HeldAgainstOtherProcessesUntilReleased)
{
    platform::instance_lock lock;
    ASSERT_EQ(lock.try_acquire(L"x"), platform::lock_result::acquired);
    EXPECT_TRUE(lock.is_held());
    EXPECT_TRUE(std::filesystem::exists(dir_.at("x.lock")));
    EXPECT_EQ(child_attempt(L"x"), platform::lock_result::held);
    EXPECT_EQ(child_attempt(L"y"), platform::lock_result::acquired);

    platform::instance_lock second;  // a second holder in this process is refused too
    EXPECT_EQ(second.try_acquire(L"x"), platform::lock_result::held);
    EXPECT_FALSE(second.is_held());

    lock.release();
    EXPECT_FALSE(lock.is_held());
    EXPECT_EQ(child_attempt(L"x"), platform::lock_result::acquired);
}

TEST_F(InstanceLock, EndsWhenTheHolderExits)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        platform::instance_lock lock;
        lock.try_acquire(L"gone");
        ::_exit(0);  // no release: the exit ends it
    }
    ::waitpid(pid, nullptr, 0);
    platform::instance_lock lock;
    EXPECT_EQ(lock.try_acquire(L"gone"), platform::lock_result::acquired);
}

TEST_F(InstanceLock, NamesAndFolders)
{
    platform::instance_lock a;
    ASSERT_EQ(a.try_acquire(L"\u65E5\u672C/x"), platform::lock_result::acquired);
    EXPECT_TRUE(std::filesystem::exists(dir_.at("\xE6\x97\xA5\xE6\x9C\xAC_x.lock")));

    // the same name in another folder is another lock
    support::temp_folder other;
    platform::set_lock_folder(other.wpath());
    platform::instance_lock b;
    EXPECT_EQ(b.try_acquire(L"\u65E5\u672C/x"), platform::lock_result::acquired);

    platform::instance_lock c;
    EXPECT_EQ(c.try_acquire(std::wstring(L"a\0b", 3)), platform::lock_result::failed);
    platform::set_lock_folder(other.wpath() + L"/missing");
    EXPECT_EQ(c.try_acquire(L"x"), platform::lock_result::failed);
    EXPECT_FALSE(c.is_held());
}

}  // namespace
