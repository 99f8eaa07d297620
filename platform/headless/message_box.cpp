// The headless boxes: answers from the test's queue (No when none is left),
// every question and every message recorded.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"
#include "platform/text/codepage.hpp"

namespace platform::headless {

void queue_answer(int answer) { state().answers.push_back(answer); }
const std::vector<question>& questions() { return state().questions; }
const std::vector<question>& messages() { return state().messages; }

int show_message(const char* title, const char* text)
{
    state().messages.push_back({text::from_utf8_text(title), text::from_utf8_text(text)});
    return 0;
}

int ask_yes_no(const char* title, const char* text)
{
    headless_state& s = state();
    s.questions.push_back({text::from_utf8_text(title), text::from_utf8_text(text)});
    int answer = 0;
    if (!s.answers.empty()) {
        answer = s.answers.front();
        s.answers.pop_front();
    }
    if (answer < 0) return set_error("the message box cannot be shown");
    return answer ? 1 : 0;
}

}  // namespace platform::headless
