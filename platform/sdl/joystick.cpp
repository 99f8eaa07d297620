// Joysticks of the desktop backend: SDL's joystick and haptic subsystems,
// started by the device-input object's creation (the count alone starts the
// joystick subsystem on first use).
#include "platform/sdl/state.hpp"
#include "platform/sdl/test_hooks.hpp"

#include <cstring>

namespace platform::sdl {

namespace {

// Class not registered: the device-input object without SDL's joysticks.
constexpr std::uint32_t no_class = 0x80040154u;

bool haptics_started()
{
    return SDL_WasInit(SDL_INIT_HAPTIC) != 0;
}

SDL_Haptic* open_haptic(SDL_Joystick* stick)
{
    if (!haptics_started() || SDL_JoystickIsHaptic(stick) != 1)
        return nullptr;
    return SDL_HapticOpenFromJoystick(stick);
}

// What a haptic device can play, as effect_kind_bits.
unsigned effect_kinds(SDL_Haptic* haptic)
{
    const unsigned offered = SDL_HapticQuery(haptic);
    return ((offered & SDL_HAPTIC_CONSTANT) ? effect_constant : 0u) | ((offered & SDL_HAPTIC_SINE) ? effect_sine : 0u);
}

sdl_state::open_stick* stick_of(int id)
{
    auto& sticks = state().sticks;
    if (id < 0 || id >= static_cast<int>(sticks.size()) || sticks[id].stick == nullptr)
        return nullptr;
    return &sticks[id];
}

// 10000 x 10000 is SDL's full level.
Sint16 level_of(int magnitude, int gain)
{
    const long long level = 32767LL * magnitude / 10000 * gain / 10000;
    return static_cast<Sint16>(level > 32767 ? 32767 : level < -32767 ? -32767 : level);
}

Uint16 time_of(std::uint32_t ms)
{
    return static_cast<Uint16>(ms > 32767 ? 32767 : ms);
}

Uint16 envelope_level(int level)
{
    return static_cast<Uint16>(level_of(level < 0 ? 0 : level, 10000));
}

}  // namespace

std::uint32_t input_call(input_op call, const input_device&, int)
{
    if (call == input_op::create_object) {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0) {
            sdl_error("joystick start failed");
            return no_class;
        }
        // without haptics there are no effects, nothing more
        if (SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0)
            ++state().haptic_holders;
    } else if (call == input_op::release_object) {
        if (state().haptic_holders > 0) {
            --state().haptic_holders;
            SDL_QuitSubSystem(SDL_INIT_HAPTIC);
        }
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    return 0;
}

int joysticks(std::vector<joystick_info>& out)
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0 && SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0)
        return sdl_error("joystick start failed");
    const int count = SDL_NumJoysticks();
    if (count < 0)
        return sdl_error("joystick count failed");
    for (int i = 0; i < count && i < max_joysticks; ++i) {
        joystick_info info;
        if (const char* name = SDL_JoystickNameForIndex(i))
            info.name = name;
        if (SDL_Joystick* stick = SDL_JoystickOpen(i)) {
            info.axes = SDL_JoystickNumAxes(stick);
            if (info.axes < 0)
                info.axes = 0;
            if (SDL_Haptic* haptic = open_haptic(stick)) {
                info.effects = effect_kinds(haptic);
                SDL_HapticClose(haptic);
            }
            SDL_JoystickClose(stick);
        }
        out.push_back(std::move(info));
    }
    return 0;
}

int open_joystick(int index)
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0)
        return set_error("joysticks not started");
    if (index >= SDL_NumJoysticks())
        return set_error("joystick gone");
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    if (stick == nullptr)
        return sdl_error("joystick open failed");
    state().sticks.push_back({stick, open_haptic(stick)});
    return static_cast<int>(state().sticks.size()) - 1;
}

void close_joystick(int id)
{
    sdl_state::open_stick* s = stick_of(id);
    if (s == nullptr)
        return;
    if (s->haptic != nullptr)
        SDL_HapticClose(s->haptic);  // its effects go with it
    SDL_JoystickClose(s->stick);
    *s = {};
    while (!state().sticks.empty() && state().sticks.back().stick == nullptr)
        state().sticks.pop_back();
}

int create_effect(int joystick, const haptic_effect& effect)
{
    sdl_state::open_stick* s = stick_of(joystick);
    if (s == nullptr)
        return set_error("joystick not open");
    if (s->haptic == nullptr)
        return set_error("joystick without haptics");
    if ((effect_kinds(s->haptic) & effect.kind) == 0)
        return set_error("effect not supported");
    SDL_HapticEffect e;
    std::memset(&e, 0, sizeof e);
    SDL_HapticDirection direction{};
    if (effect.polar) {
        direction.type = SDL_HAPTIC_POLAR;
        direction.dir[0] = effect.direction;
    } else {
        direction.type = SDL_HAPTIC_CARTESIAN;
        direction.dir[0] = 1;  // along X
    }
    const Uint32 length = effect.length == 0 ? SDL_HAPTIC_INFINITY : effect.length;
    if (effect.kind == effect_constant) {
        e.type = SDL_HAPTIC_CONSTANT;
        e.constant.direction = direction;
        e.constant.length = length;
        e.constant.level = level_of(effect.magnitude, effect.gain);
    } else {
        e.type = SDL_HAPTIC_SINE;
        e.periodic.type = SDL_HAPTIC_SINE;
        e.periodic.direction = direction;
        e.periodic.length = length;
        e.periodic.period = time_of(effect.period);
        e.periodic.magnitude = level_of(effect.magnitude, effect.gain);
        e.periodic.attack_length = time_of(effect.attack_time);
        e.periodic.attack_level = envelope_level(effect.attack_level);
        e.periodic.fade_length = time_of(effect.fade_time);
        e.periodic.fade_level = envelope_level(effect.fade_level);
    }
    const int id = SDL_HapticNewEffect(s->haptic, &e);
    if (id < 0)
        return sdl_error("effect creation failed");
    return id;
}

int run_effect(int joystick, int effect)
{
    sdl_state::open_stick* s = stick_of(joystick);
    if (s == nullptr || s->haptic == nullptr)
        return set_error("joystick without haptics");
    if (SDL_HapticRunEffect(s->haptic, effect, 1) < 0)
        return sdl_error("effect start failed");
    return 0;
}

int stop_effect(int joystick, int effect)
{
    sdl_state::open_stick* s = stick_of(joystick);
    if (s == nullptr || s->haptic == nullptr)
        return set_error("joystick without haptics");
    if (SDL_HapticStopEffect(s->haptic, effect) < 0)
        return sdl_error("effect stop failed");
    return 0;
}

void destroy_effect(int joystick, int effect)
{
    sdl_state::open_stick* s = stick_of(joystick);
    if (s != nullptr && s->haptic != nullptr)
        SDL_HapticDestroyEffect(s->haptic, effect);
}

int device_keys(std::uint8_t* keys)
{
    int count = 0;
    const Uint8* held = SDL_GetKeyboardState(&count);
    if (held == nullptr)
        return set_error("no keyboard state");
    for (int position = 0; position < count && position < 256; ++position) {
        const int code = device_key(position);
        if (code != 0 && held[position] != 0)
            keys[code] = 0x80;
    }
    return 0;
}

int device_mouse_buttons(std::uint8_t* buttons)
{
    const Uint32 held = SDL_GetMouseState(nullptr, nullptr);
    // SDL's order is left, middle, right, X1, X2; ours left, right, middle
    const int sdl_button[5] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1, SDL_BUTTON_X2};
    for (int i = 0; i < 5; ++i)
        buttons[i] = (held & SDL_BUTTON(sdl_button[i])) ? 0x80 : 0;
    return 0;
}

#ifdef ZENTIL_TEST_HOOKS

namespace test {

int attach_virtual_joystick(const std::string& name, int axes)
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0)
        return sdl_error("joystick start failed");
    SDL_VirtualJoystickDesc desc;
    std::memset(&desc, 0, sizeof desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = 4;
    desc.name = name.c_str();
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        return sdl_error("virtual joystick failed");
    }
    state().virtual_sticks.push_back(index);
    return index;
}

void detach_virtual_joysticks()
{
    auto& attached = state().virtual_sticks;
    // from the last: each detach moves the later device indexes down
    while (!attached.empty()) {
        SDL_JoystickDetachVirtual(attached.back());
        attached.pop_back();
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

}  // namespace test

#endif

}  // namespace platform::sdl
