// A shell for tests: records every open, copies for real unless a failure or
// a cancel is injected for the source, answers delete questions from the
// test (No when no answer is queued), and gives the built-in icons. It is the
// shell in use while it exists.
#pragma once

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace support {

class recording_shell final : public platform::shell::operations {
public:
    struct opened {
        std::wstring verb, file, parameters;
        int show;
    };
    struct question {
        std::wstring title, text;
    };
    enum class copy_fault { fail, cancel };

    std::vector<opened> opens;
    std::vector<question> questions;
    std::deque<bool> answers;                     // delete questions, in order
    std::map<std::wstring, copy_fault> copy_faults;  // by source path

    recording_shell() { platform::shell::install(this); }
    ~recording_shell() override { platform::shell::install(nullptr); }
    recording_shell(const recording_shell&) = delete;
    recording_shell& operator=(const recording_shell&) = delete;

    int open(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters, int show) override
    {
        opens.push_back({verb, file, parameters, show});
        return 0;
    }

    int copy(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to) override
    {
        renamed_to.clear();
        const auto fault = copy_faults.find(source);
        if (fault != copy_faults.end())
            return platform::set_error(fault->second == copy_fault::cancel ? "the copy was cancelled"
                                                                            : "injected copy failure");
        return platform::shell::system_shell().copy(source, destination, renamed_to);
    }

    int remove(const std::wstring& path) override
    {
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(platform::text::to_utf8(path), ec)))
            return platform::set_error("no such entry");
        questions.push_back({platform::shell::delete_title(), platform::shell::delete_question(path)});
        bool yes = false;
        if (!answers.empty()) {
            yes = answers.front();
            answers.pop_front();
        }
        if (!yes) return platform::set_error("the delete was declined");
        return platform::shell::remove_for_good(path);
    }

    const platform::shell::icon& icon_of(const std::wstring& path) override
    {
        return platform::shell::builtin_icon(platform::shell::kind_of(path));
    }
};

}  // namespace support
