// The headless yes/no box: answers from the test's queue.
#include "platform/headless/message_box.hpp"

#include <deque>

#include "platform/platform.hpp"

namespace platform::headless {
namespace {

struct message_boxes {
    std::deque<int> answers;
    std::vector<question> asked;
};

message_boxes& boxes()
{
    static message_boxes b;
    return b;
}

}  // namespace

void queue_answer(int answer) { boxes().answers.push_back(answer); }
const std::vector<question>& questions() { return boxes().asked; }
void reset_message_boxes() { boxes() = message_boxes{}; }

int ask_yes_no(const std::wstring& title, const std::wstring& text)
{
    message_boxes& b = boxes();
    b.asked.push_back({title, text});
    int answer = 0;
    if (!b.answers.empty()) {
        answer = b.answers.front();
        b.answers.pop_front();
    }
    if (answer < 0) return set_error("the message box cannot be shown");
    return answer ? 1 : 0;
}

}  // namespace platform::headless
