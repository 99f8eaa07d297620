// The present group's common layer: the display object's state, the checks
// on every view and rectangle, the vertical-blank arithmetic, and each
// present's stamp on the machine's monotonic clock.
#include "platform/window_state.hpp"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

namespace {

std::uint64_t monotonic_ns()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u + static_cast<std::uint64_t>(t.tv_nsec);
}

// The file ZENTIL_PRESENT_STAMPS names, kept open from the first present to
// the exit; -1 when none is named or it cannot be written.
int& stamp_file()
{
    static int fd = -1;
    return fd;
}

void write_stamp_line(const std::string& line)
{
    const int fd = stamp_file();
    if (fd >= 0 && ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        std::fprintf(stderr, "zentil: present stamps: write failed\n");
}

void write_exit_stamps()
{
    const std::uint64_t now = monotonic_ns();
    const present_stamps& s = window_common().stamps;
    write_stamp_line("presents " + std::to_string(s.count) + "\nlast-present " + std::to_string(s.last_ns) +
                     "\nexit " + std::to_string(now) + "\n");
}

// At the first present (of the window state): the file ZENTIL_PRESENT_STAMPS
// names is opened, unless one is already, and given its first line, written
// after the stamp was taken so the write is not in it.
void open_stamp_file(std::uint64_t first_ns)
{
    if (stamp_file() >= 0) return;
    const char* name = std::getenv("ZENTIL_PRESENT_STAMPS");
    if (name == nullptr || *name == '\0') return;
    stamp_file() = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (stamp_file() < 0) {
        std::fprintf(stderr, "zentil: present stamps: %s cannot be written\n", name);
        return;
    }
    // the processor time the process had used by then (all its threads),
    // which a loaded machine stretches far less than the wall time
    timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const std::uint64_t cpu_ns =
        static_cast<std::uint64_t>(cpu.tv_sec) * 1000000000u + static_cast<std::uint64_t>(cpu.tv_nsec);
    write_stamp_line("first-present " + std::to_string(first_ns) + "\nfirst-present-cpu " + std::to_string(cpu_ns) +
                     "\n");
    std::atexit(write_exit_stamps);
}

// A mask is one run of set bits.
bool contiguous(std::uint32_t mask)
{
    if (mask == 0) return false;
    while ((mask & 1) == 0) mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

int check_view(const pixel_view& v)
{
    if (v.bits != 16 && v.bits != 32) return set_error("pixel bits must be 16 or 32");
    if (!v.pixels || v.width <= 0 || v.height <= 0) return set_error("empty view");
    if (static_cast<long long>(v.pitch) < static_cast<long long>(v.width) * (v.bits / 8))
        return set_error("pitch below the width of a row");
    const std::uint32_t all = v.bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    const std::uint32_t r = v.red_mask, g = v.green_mask, b = v.blue_mask;
    if (!contiguous(r) || !contiguous(g) || !contiguous(b) || (r & g) || (r & b) || (g & b) || ((r | g | b) & ~all))
        return set_error("unsupported colour masks");
    return 0;
}

bool empty(const rect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace

int open_display()
{
    if (check_window() < 0) return -1;
    window_state& s = window_common();
    if (s.display) return 0;
    if (current_backend().open_display() < 0) return -1;
    s.display = true;
    return 0;
}

int close_display()
{
    window_state& s = window_common();
    if (!s.display) return 0;
    if (check_video_thread() < 0) return -1;
    current_backend().close_display();
    s.display = false;
    return 0;
}

bool display_open()
{
    return window_common().display;
}

int present(const pixel_view& view, const rect& source, const rect& destination)
{
    if (check_window() < 0) return -1;
    if (!window_common().display) return set_error("the display is not open");
    if (check_view(view) < 0) return -1;
    if (empty(source) || empty(destination)) return set_error("empty rectangle");
    if (source.left < 0 || source.top < 0 || source.right > view.width || source.bottom > view.height)
        return set_error("source rectangle outside the view");
    if (current_backend().present(view, source, destination) < 0) return -1;
    record_present();
    return 0;
}

void record_present()
{
    present_stamps& stamps = window_common().stamps;
    stamps.last_ns = monotonic_ns();
    if (stamps.count++ == 0) {
        stamps.first_ns = stamps.last_ns;
        open_stamp_file(stamps.first_ns);
    }
}

const present_stamps& presented()
{
    return window_common().stamps;
}

int wait_vblank_begin()
{
    if (check_window() < 0) return -1;
    if (!window_common().display) return set_error("the display is not open");
    return current_backend().wait_vblank_begin();
}

bool in_vblank()
{
    if (check_window() < 0 || !window_common().display) return false;
    return current_backend().in_vblank();
}

std::uint64_t next_vblank_time(std::uint64_t now_ns, int refresh_hz)
{
    using u128 = unsigned __int128;
    const u128 hz = refresh_hz > 0 ? static_cast<unsigned>(refresh_hz) : 60u;
    const u128 second = 1000000000u;
    // tick k lies at ceil(k * 10^9 / hz); the next after now is k = floor(now * hz / 10^9) + 1
    const u128 k = static_cast<u128>(now_ns) * hz / second + 1;
    return static_cast<std::uint64_t>((k * second + hz - 1) / hz);
}

int display_modes(std::vector<display_mode>& out)
{
    if (video_start() < 0) return -1;
    std::vector<display_mode> all;
    if (current_backend().display_modes(all) < 0) return -1;
    out.clear();
    for (const display_mode& m : all)
        if (m.bits >= 16) out.push_back(m);
    return 0;
}

int change_mode(const display_mode& mode, bool full_screen)
{
    if (check_window() < 0) return -1;
    if (mode.width <= 0 || mode.height <= 0) return set_error("display mode size must be positive");
    if (mode.bits != 16 && mode.bits != 32) return set_error("display mode bits must be 16 or 32");
    return current_backend().change_mode(mode, full_screen);
}

int restore_desktop_mode()
{
    if (video_start() < 0) return -1;
    return current_backend().restore_desktop_mode();
}

bool mode_listed(const std::vector<display_mode>& modes, const display_mode& mode)
{
    for (const display_mode& m : modes) {
        // a rate of 0 on either side is one nobody knows, so it goes with any
        if (m.width == mode.width && m.height == mode.height && m.bits == mode.bits &&
            (m.refresh == 0 || mode.refresh == 0 || m.refresh == mode.refresh))
            return true;
    }
    return false;
}

}  // namespace platform
