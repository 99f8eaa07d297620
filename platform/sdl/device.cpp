// Device of the desktop backend: the library is there and its object is
// made and answers from the desktop, but no device is made yet, so graphics
// start-up takes the software road.
#include "platform/platform.hpp"

namespace platform::sdl {

int desktop_mode(display_mode& out);
int display_modes(std::vector<display_mode>& out);

namespace dev {

int library()
{
    return 0;
}

int create_object()
{
    return 0;
}

void release_object() {}

int adapter_mode(device::adapter_mode& out)
{
    display_mode desktop{0, 0, 0, 0};
    if (sdl::desktop_mode(desktop) < 0) return -1;
    out = device::adapter_mode{desktop.width, desktop.height, desktop.refresh,
                               desktop.bits == 16 ? device::R5G6B5 : device::X8R8G8B8};
    return 0;
}

int mode_count(device::format f)
{
    std::vector<display_mode> modes;
    if (sdl::display_modes(modes) < 0) return 0;
    const int bits = f == device::X8R8G8B8 ? 32 : f == device::R5G6B5 ? 16 : 0;
    int n = 0;
    for (const display_mode& m : modes) n += m.bits == bits;
    return n;
}

int caps(device::caps& out)
{
    out = device::caps{};
    return 0;
}

int identifier(device::identifier& out)
{
    out = device::identifier{"sdl", "no device"};
    return 0;
}

bool check_format(device::format, std::uint32_t, device::format)
{
    return false;
}

bool check_depth_match(device::format, device::format, device::format)
{
    return false;
}

int create_device(const device::present_params&, std::uint32_t, device::caps&)
{
    return set_error("no device on this backend");
}

// Without a device nothing below is reached: the common layer refuses first.
void release_device(int) {}
int create_resource(device::resource, const device::resource_desc&) { return set_error("no device"); }
void release_resource(device::resource) {}
int lock(device::resource, int, const rect&, std::uint32_t, device::locked_rect&) { return set_error("no device"); }
int unlock(device::resource, int) { return set_error("no device"); }
int set_state(const device::state_change&) { return set_error("no device"); }
int draw(const device::draw_call&) { return set_error("no device"); }
int clear(const rect*, int, std::uint32_t, std::uint32_t, float, std::uint32_t) { return set_error("no device"); }
int color_fill(device::resource, const rect&, std::uint32_t) { return set_error("no device"); }
int stretch_rect(device::resource, const rect&, device::resource, const rect&, device::filter) { return set_error("no device"); }
int update_surface(device::resource, const rect&, device::resource, int, int) { return set_error("no device"); }
int get_render_target_data(device::resource, device::resource) { return set_error("no device"); }
int present(const rect&, const rect&) { return set_error("no device"); }

}  // namespace dev

}  // namespace platform::sdl
