// The desktop backend's audio device: SDL's output with a callback that
// pulls from the mixer; SDL converts to what the hardware wants and honours
// SDL_AUDIODRIVER.
#include "platform/platform.hpp"
#include "platform/sdl/state.hpp"

#include <SDL.h>

#include <atomic>
#include <cstring>

namespace platform::sdl {

namespace {

struct audio_record {
    SDL_AudioDeviceID device = 0;
    int channels = 2;
    std::atomic<audio_pull> pull{nullptr};
};

// Never destroyed: SDL's audio thread may pull while statics are destroyed.
audio_record& audio()
{
    static audio_record* r = new audio_record;
    return *r;
}

void SDLCALL pull_frames(void*, Uint8* stream, int length)
{
    audio_record& a = audio();
    const audio_pull pull = a.pull.load();
    const int frames = length / static_cast<int>(sizeof(float) * a.channels);
    if (pull == nullptr || frames * static_cast<int>(sizeof(float)) * a.channels != length) {
        std::memset(stream, 0, static_cast<std::size_t>(length));
        return;
    }
    pull(reinterpret_cast<float*>(stream), frames);
}

}  // namespace

int open_audio(const audio_device_spec& spec)
{
    audio_record& a = audio();
    if (a.device != 0)
        return set_error("audio device already open");
    if (spec.pull == nullptr || spec.rate <= 0 || spec.channels <= 0 || spec.channels > 8)
        return set_error("audio device spec without pull, rate or channels");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return sdl_error("audio start failed");
    SDL_AudioSpec want{};
    want.freq = spec.rate;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(spec.channels);
    want.samples = static_cast<Uint16>(spec.period);
    want.callback = pull_frames;
    SDL_AudioSpec have{};
    a.channels = spec.channels;
    a.pull = spec.pull;
    // no changes allowed: SDL converts from our format to the hardware's
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        a.pull = nullptr;
        const int result = sdl_error("audio device open failed");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return result;
    }
    a.device = device;
    SDL_PauseAudioDevice(device, 0);
    return 0;
}

void close_audio()
{
    audio_record& a = audio();
    if (a.device == 0)
        return;
    SDL_CloseAudioDevice(a.device);  // returns once the callback has finished
    a.device = 0;
    a.pull = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int audio_outputs(std::vector<audio_output>& out)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return sdl_error("audio start failed");
    const char* driver = SDL_GetCurrentAudioDriver();
    const std::string module = driver ? driver : "";
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        out.push_back({module, name ? name : ""});
    }
    if (count <= 0)  // the driver cannot list them: its default output
        out.push_back({module, "default output"});
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
}

}  // namespace platform::sdl
