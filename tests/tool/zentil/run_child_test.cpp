// The loop that runs a child above directory screens: every registered
// screen drawn each frame, outermost first, then the child; only the child
// updated; the register back to its length when the loop ends.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "directory_fixture.hpp"

namespace {

using zentil_test::directory_test;
using tool::zentil::p_directory;
using tool::zentil::run_child_screens;

// A directory screen that records its draws and updates.
class counting_screen : public p_directory {
 public:
  counting_screen(tool::zentil::shared& owner, const std::wstring& path, std::string name,
                  std::vector<std::string>& log)
      : p_directory(owner, path, false), name_(std::move(name)), log_(log) {}
  void draw() override {
    log_.push_back(name_ + " draw");
    p_directory::draw();
  }
  void update() override {
    log_.push_back(name_ + " update");
    p_directory::update();
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

// A child that finishes in its nth update and may act in its first.
class counting_child : public tool::gprocess {
 public:
  counting_child(std::string name, int updates, std::vector<std::string>& log,
                 std::function<void()> first = nullptr)
      : name_(std::move(name)), updates_(updates), log_(log), first_(std::move(first)) {}
  void draw() override { log_.push_back(name_ + " draw"); }
  void update() override {
    log_.push_back(name_ + " update");
    screens_seen.push_back(run_child_screens().size());
    if (++count_ == 1 && first_) first_();
    if (count_ == updates_) flags |= finished;
  }
  std::vector<std::size_t> screens_seen;

 private:
  std::string name_;
  int updates_;
  std::vector<std::string>& log_;
  std::function<void()> first_;
  int count_ = 0;
};

class RunChild : public directory_test {};

TEST_F(RunChild, TheScreenIsDrawnBeneathTheChildAndOnlyTheChildIsUpdated) {
  std::vector<std::string> log;
  counting_screen screen(*app, root(), "S", log);
  counting_child child("C", 3, log);
  screen.run_child(child);
  EXPECT_EQ(log, (std::vector<std::string>{"S draw", "C draw", "C update", "S draw", "C draw", "C update", "S draw",
                                           "C draw", "C update"}));
  EXPECT_EQ(child.screens_seen, (std::vector<std::size_t>{1, 1, 1}));
  EXPECT_TRUE(run_child_screens().empty());
}

TEST_F(RunChild, NestedLoopsDrawEveryRegisteredScreenOutermostFirst) {
  folder("inner");
  std::vector<std::string> log;
  counting_screen outer(*app, root(), "S1", log);
  counting_screen inner(*app, wat(L"inner"), "S2", log);
  counting_child second("C2", 2, log);
  counting_child first("C1", 2, log, [&] { inner.run_child(second); });
  outer.run_child(first);
  EXPECT_EQ(log, (std::vector<std::string>{// C1's first frame, whose update runs C2's loop
                                           "S1 draw", "C1 draw", "C1 update",
                                           // C2's frames
                                           "S1 draw", "S2 draw", "C2 draw", "C2 update", "S1 draw", "S2 draw",
                                           "C2 draw", "C2 update",
                                           // C1's second frame
                                           "S1 draw", "C1 draw", "C1 update"}));
  EXPECT_EQ(second.screens_seen, (std::vector<std::size_t>{2, 2}));
  EXPECT_EQ(first.screens_seen, (std::vector<std::size_t>{1, 1}));
  EXPECT_TRUE(run_child_screens().empty());
}

TEST_F(RunChild, TheRegisterIsRestoredWhenTheChildThrows) {
  std::vector<std::string> log;
  counting_screen screen(*app, root(), "S", log);
  counting_child child("C", 5, log, [] { throw std::runtime_error("child failed"); });
  EXPECT_THROW(screen.run_child(child), std::runtime_error);
  EXPECT_TRUE(run_child_screens().empty());
}

}  // namespace
