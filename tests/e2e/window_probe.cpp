// A window on the platform layer that writes every record the pump gives to
// a log, for the end-to-end runs that check what a real X server's input
// reaches the platform as. The backend is the one ZENTIL_PLATFORM names.
//
//   e2e_window_probe LOG [FRAME]
//
// With FRAME it ends after the first frame, written there as PNG (the
// headless backend's picture, to compare with a real window's).
//
// Log lines (names and text as the hex of their bytes, so that any byte
// shows): "ready" once the first frame is shown; "button_down left X Y",
// "button_up ..."; "wheel Y"; "key_down VK"; "text HEX"; "drop N X Y" (the
// name count and the cursor the pump last saw) followed by N lines
// "name HEX"; "answer R" for the question box Delete opens (titled "Delete":
// 1 yes, 0 no); "open R" for O, which opens the first name of the last drop
// with the desktop's opener (R: 0, or -1); "close". The picture: blue, green once a drop came, with a
// white 16 x 16 square centred on the last click. It ends at a close record
// (status 0), or with status 1 when the platform fails.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace {

constexpr int width = 320, height = 240;
constexpr int delete_key = 46, open_key = 79;
constexpr std::uint32_t blue = 0xFF2050A0, green = 0xFF20A040, white = 0xFFFFFFFF;

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

const char* button_name(platform::mouse_button b)
{
    switch (b) {
    case platform::mouse_button::left: return "left";
    case platform::mouse_button::right: return "right";
    case platform::mouse_button::middle: return "middle";
    default: return "none";
    }
}

int fail(const char* doing)
{
    std::fprintf(stderr, "e2e_window_probe: %s: %s\n", doing, platform::error());
    return 1;
}

struct probe {
    std::FILE* log = nullptr;
    bool dropped = false, clicked = false;
    int click_x = 0, click_y = 0;
    std::wstring first_dropped;

    void line(const std::string& text)
    {
        std::fprintf(log, "%s\n", text.c_str());
        std::fflush(log);  // the harness reads the log while the window runs
    }

    // false at the close record
    bool take(const platform::event& e)
    {
        using platform::event_kind;
        switch (e.kind) {
        case event_kind::close: line("close"); return false;
        case event_kind::button_down:
        case event_kind::button_up:
            line(std::string(e.kind == event_kind::button_down ? "button_down " : "button_up ") +
                 button_name(e.button) + " " + std::to_string(e.x) + " " + std::to_string(e.y));
            if (e.kind == event_kind::button_down) {
                clicked = true;
                click_x = e.x;
                click_y = e.y;
            }
            break;
        case event_kind::wheel: line("wheel " + std::to_string(e.wheel_y)); break;
        case event_kind::key_down:
            line("key_down " + std::to_string(e.key));
            if (e.key == delete_key && !e.repeat)
                line("answer " + std::to_string(platform::ask_yes_no(L"Delete", L"Delete it?")));
            if (e.key == open_key && !e.repeat && dropped)
                line("open " + std::to_string(platform::shell::system_shell().open(L"", first_dropped, L"", 1)));
            break;
        case event_kind::text: line("text " + hex(platform::text::to_utf8_text(e.text))); break;
        case event_kind::drop: {
            int x = -1, y = -1;
            platform::cursor_position(x, y);
            line("drop " + std::to_string(e.names.size()) + " " + std::to_string(x) + " " + std::to_string(y));
            // back to the bytes the OS gave: any byte a name holds must survive
            for (const std::wstring& name : e.names) {
                std::string bytes;
                line(platform::text::os_name(name, bytes) ? "name " + hex(bytes) : "name (not an OS name)");
            }
            dropped = true;
            first_dropped = e.names.front();
            break;
        }
        default: break;
        }
        return true;
    }

    void draw(std::vector<std::uint32_t>& frame) const
    {
        frame.assign(static_cast<std::size_t>(width) * height, dropped ? green : blue);
        if (!clicked) return;
        for (int y = click_y - 8; y < click_y + 8; ++y)
            for (int x = click_x - 8; x < click_x + 8; ++x)
                if (x >= 0 && y >= 0 && x < width && y < height) frame[static_cast<std::size_t>(y) * width + x] = white;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fputs("usage: e2e_window_probe LOG [FRAME]\n", stderr);
        return 2;
    }
    std::FILE* log = std::fopen(argv[1], "w");
    if (!log) {
        std::fprintf(stderr, "e2e_window_probe: cannot write %s\n", argv[1]);
        return 1;
    }
    probe p;
    p.log = log;
    if (platform::video_start() < 0) return fail("video_start");
    platform::window_spec shape;
    shape.title = L"e2e probe \u7A93";  // a title only UTF-8 spells
    shape.width = width;
    shape.height = height;
    if (platform::create_window(shape) < 0) return fail("create_window");
    if (platform::accept_drops(true) < 0) return fail("accept_drops");
    if (platform::open_display() < 0) return fail("open_display");

    std::vector<std::uint32_t> frame;
    const platform::pixel_view view{frame.data(), width, height, width * 4, 32, 0xFF0000, 0xFF00, 0xFF};
    const platform::rect all{0, 0, width, height};
    bool ready = false, running = true;
    while (running) {
        platform::event e;
        while (running && platform::pump_event(e) == 1) running = p.take(e);
        p.draw(frame);
        platform::pixel_view shown = view;
        shown.pixels = frame.data();
        if (platform::present(shown, all, all) < 0) return fail("present");
        if (!ready) {
            p.line("ready");
            ready = true;
            if (argc == 3) {
                if (platform::headless::dump_frame_png(platform::text::from_utf8(argv[2])) < 0)
                    return fail("dump_frame_png");
                running = false;
            }
        }
        platform::sleep(16);
    }
    platform::close_display();
    platform::destroy_window();
    std::fclose(log);
    return 0;
}
