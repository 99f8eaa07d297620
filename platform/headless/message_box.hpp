// The headless backend's yes/no box, for tests: answers queued in advance
// (No when none is left), every question recorded.
#pragma once

#include <string>
#include <vector>

namespace platform::headless {

struct question {
    std::wstring title, text;
};

// 1 yes, 0 no, -1 the box cannot be shown.
void queue_answer(int answer);
const std::vector<question>& questions();
// No answers queued and no questions recorded.
void reset_message_boxes();

int ask_yes_no(const std::wstring& title, const std::wstring& text);

}  // namespace platform::headless
