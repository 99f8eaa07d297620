// Scenario files of whole-program runs: parsed into the step engine's steps
// and boundary effects (see scenario.hpp).
#include "platform/headless/scenario.hpp"

#include "platform/fs/filesystem.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"
#include "platform/headless/steps.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace platform::headless {

namespace {

// What one line asks for, applied only once every line has parsed.
struct pending {
    bool is_step = false;
    step input;
    std::function<void()> effect;
    std::function<void()> at_load;  // limit, report: settings, not steps
};

bool parse_int(const std::string& word, int& out)
{
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

std::vector<std::string> words_of(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// The escapes of typed text: \n Enter, \b Backspace, \d Delete, \t, \\.
bool unescape(const std::string& utf8, std::wstring& out)
{
    std::string plain;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\\') {
            plain += utf8[i];
            continue;
        }
        if (++i == utf8.size()) return false;
        switch (utf8[i]) {
        case 'n': plain += '\n'; break;
        case 'b': plain += '\b'; break;
        case 'd': plain += '\x7f'; break;
        case 't': plain += '\t'; break;
        case '\\': plain += '\\'; break;
        default: return false;
        }
    }
    out = text::from_utf8_text(plain);
    return true;
}

void write_text_file(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) std::fprintf(stderr, "zentil: scenario: %s cannot be written\n", name.c_str());
}

void write_report()
{
    const headless_state& s = state();
    if (!s.scenario || s.report_path.empty()) return;
    std::string report = "frames " + std::to_string(s.frames_presented) + "\nafter close " +
                         std::to_string(s.presented_after_close) + "\ntitle " + s.created_title + "\n";
    for (const question& m : s.messages) {
        // a run of line breaks reads as one " / "
        std::string text;
        bool broken = false;
        for (const char c : text::to_utf8_text(m.text)) {
            if (c == '\n') {
                broken = !text.empty();
                continue;
            }
            if (broken) text += " / ";
            broken = false;
            text += c;
        }
        report += "message " + text::to_utf8_text(m.title) + ": " + text + "\n";
    }
    write_text_file(s.report_path, report);
}

void push_close()
{
    os_event e;
    e.kind = event_kind::close;
    push_event(e);
}

// One line to what it asks for: "" or the reason it is refused.
std::string parse_line(const std::string& line, pending& out)
{
    const std::size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    const std::vector<std::string> args = words_of(rest);
    std::vector<int> n(args.size());
    bool numbers = true;
    for (std::size_t i = 0; i < args.size(); ++i) numbers = numbers && parse_int(args[i], n[i]);
    auto numeric = [&](std::size_t count) { return numbers && args.size() == count; };

    step& s = out.input;
    if (verb == "press" || verb == "hold" || verb == "release") {
        if (!numeric(1)) return "expects one key code";
        if (key_position_of(n[0]) == 0) return "no key carries key code " + args[0];
        s.kind = verb == "press" ? step_kind::press : verb == "hold" ? step_kind::hold : step_kind::release;
        s.key = n[0];
    } else if (verb == "move" || verb == "click" || verb == "right-click" || verb == "tap") {
        if (!numeric(2)) return "expects x and y";
        s.kind = verb == "move" ? step_kind::move : verb == "tap" ? step_kind::tap : step_kind::click;
        if (verb == "right-click") s.button = mouse_button::right;
        s.x = n[0];
        s.y = n[1];
    } else if (verb == "drag") {
        if (!numeric(4)) return "expects x, y, to x and to y";
        s.kind = step_kind::drag;
        s.x = n[0];
        s.y = n[1];
        s.to_x = n[2];
        s.to_y = n[3];
    } else if (verb == "wheel" || verb == "frames") {
        if (!numeric(1)) return "expects one number";
        if (verb == "frames" && n[0] < 0) return "negative frame count";
        s.kind = verb == "wheel" ? step_kind::wheel : step_kind::frames;
        s.count = n[0];
    } else if (verb == "type" || verb == "paste" || verb == "compose") {
        if (!unescape(rest, s.text)) return "bad escape in the text";
        s.kind = verb == "type" ? step_kind::type : verb == "paste" ? step_kind::paste : step_kind::compose;
    } else if (verb == "drop") {
        if (rest.empty()) return "expects names";
        s.kind = step_kind::drop;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = rest.find('\t', from);
            s.names.push_back(text::from_utf8(rest.substr(from, tab - from)));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
    } else if (verb == "dump") {
        if (rest.empty()) return "expects a file name";
        out.effect = [name = text::from_utf8(rest), rest] {
            if (dump_frame_png(name) != 0)
                std::fprintf(stderr, "zentil: scenario: dump %s: %s\n", rest.c_str(), error());
        };
        return "";
    } else if (verb == "strings") {
        if (rest.empty()) return "expects a file name";
        out.effect = [rest] { write_text_file(rest, state().frame_strings); };
        return "";
    } else if (verb == "answer") {
        if (args.size() != 1 || (args[0] != "yes" && args[0] != "no" && args[0] != "fail"))
            return "expects yes, no or fail";
        const int answer = args[0] == "yes" ? 1 : args[0] == "no" ? 0 : -1;
        out.effect = [answer] { queue_answer(answer); };
        return "";
    } else if (verb == "close") {
        if (!args.empty()) return "takes nothing";
        out.effect = [] {
            push_close();
            state().scenario_closed = true;
        };
        return "";
    } else if (verb == "limit") {
        if (!numeric(1) || n[0] <= 0) return "expects a frame count above 0";
        out.at_load = [cap = n[0]] { state().frame_cap = cap; };
        return "";
    } else if (verb == "report") {
        if (rest.empty()) return "expects a file name";
        out.at_load = [rest] {
            static const bool registered = std::atexit(write_report) == 0;
            (void)registered;
            state().report_path = rest;
        };
        return "";
    } else if (verb == "fail-save") {
#if ZENTIL_TEST_HOOKS
        if (!numeric(1) || n[0] < 0) return "expects a byte count";
        out.effect = [bytes = static_cast<std::size_t>(n[0])] { platform::fs::fail_next_replace_after(bytes); };
        return "";
#else
        return "fault steps exist in test builds only";
#endif
    } else if (verb == "fail-delete") {
#if ZENTIL_TEST_HOOKS
        if (!numeric(1) || n[0] < 1) return "expects an entry number";
        out.effect = [entry = static_cast<std::size_t>(n[0])] { platform::shell::fail_removal(entry); };
        return "";
#else
        return "fault steps exist in test builds only";
#endif
    } else {
        return "unknown step '" + verb + "'";
    }
    out.is_step = true;
    return "";
}

}  // namespace

int load_scenario(const std::string& text)
{
    std::vector<pending> steps;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        pending p;
        const std::string refused = parse_line(line, p);
        if (!refused.empty()) {
            const std::string message = "line " + std::to_string(number) + ": " + refused;
            return set_error(message.c_str());
        }
        steps.push_back(std::move(p));
    }
    headless_state& s = state();
    s.scenario = true;
    s.scenario_closed = false;
    s.frame_cap = default_frame_cap;
    s.frames_presented = s.presented_after_close = 0;
    s.held_polls = s.held_frames = 0;
    for (pending& p : steps) {
        if (p.at_load)
            p.at_load();
        else if (p.is_step)
            queue_step(p.input);  // checked above: cannot fail
        else
            queue_effect(std::move(p.effect));
    }
    return 0;
}

void load_scenario_from_environment()
{
    const char* name = std::getenv("ZENTIL_SCENARIO");
    if (name == nullptr || *name == '\0') return;
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "zentil: scenario %s cannot be read\n", name);
        std::exit(2);
    }
    if (load_scenario(text.str()) != 0) {
        std::fprintf(stderr, "zentil: scenario %s: %s\n", name, error());
        std::exit(2);
    }
}

bool scenario_running()
{
    return state().scenario;
}

void set_frame_strings_source(frame_strings_source take)
{
    state().frame_strings_source = take;
}

void scenario_frame_presented()
{
    headless_state& s = state();
    if (!s.scenario) return;
    ++s.frames_presented;
    s.held_polls = 0;
    if (s.scenario_closed) ++s.presented_after_close;
    if (s.frame_strings_source) s.frame_strings = s.frame_strings_source();
}

void scenario_boundary_done()
{
    headless_state& s = state();
    if (!s.scenario || s.scenario_closed) return;
    if (steps_done() || s.frames_presented + s.held_frames >= s.frame_cap) {
        push_close();
        s.scenario_closed = true;
    }
}

void scenario_polled()
{
    headless_state& s = state();
    // start-up polls many times before its first frame; that is no hold
    if (!s.scenario || s.scenario_closed || s.frames_presented == 0) return;
    if (++s.held_polls < held_frame_polls) return;
    s.held_polls = 0;
    if (s.frames_presented + ++s.held_frames >= s.frame_cap) {
        push_close();
        s.scenario_closed = true;
    }
}

}  // namespace platform::headless
