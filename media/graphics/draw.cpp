// Drawing operations and the draw target.
#include "media/graphics/draw.hpp"

#include "media/core/internal.hpp"
#include "media/core/pump.hpp"
#include "media/core/window.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/mask.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"

using media::gfx::draw_state;

int SelectDrawTarget(int target)
{
    if (media::gfx::graphics.started == 0)
        return -1;
    if (media::core::window_state.started != 0)
        WaitWhileInactive();
    const int mask_wanted = GetMaskEnabled();
    SetMaskEnabled(0);
    // no graph lives yet: only the screen values are accepted
    if (target != -2 && target != -3 && target != -4 && target != -5)
        return -1;
    draw_state.target_image = &media::gfx::graphics.screen_image;
    draw_state.target = target;
    if (target == -4)
        SetTimer(media::core::window_state.main_window, FRONT_SCREEN_TIMER, 32, FrontScreenTimerProc);

    // -3 and -5 take the screen's size, as -2
    int width = 0, height = 0;
    QueryScreenSize(&width, &height);
    if (width != draw_state.target_width || height != draw_state.target_height) {
        draw_state.target_width = width;
        draw_state.target_height = height;
        SetDrawClipArea(0, 0, width, height);
    } else {
        SetDrawClipArea(draw_state.requested_area[0], draw_state.requested_area[1], draw_state.requested_area[2],
                        draw_state.requested_area[3]);
    }

    MATRIX44 m;
    BuildIdentityMatrix(&m);
    SetWorldMatrix(&m);
    BuildViewportMatrix(&m, width / 2.0f, height / 2.0f, static_cast<float>(width), static_cast<float>(height));
    SetScreenTransformMatrix(&m);
    InvertMatrix(&draw_state.viewport_inverse, &m);
    // the default camera sees the target's pixels at depth 0
    const float d = static_cast<float>(height / 2) / 0.57735026f;
    const VECTOR3F eye{width / 2.0f, height / 2.0f, -d};
    const VECTOR3F at{width / 2.0f, height / 2.0f, -d + 1.0f};
    const VECTOR3F up{0.0f, 1.0f, 0.0f};
    BuildLookAtMatrix(&m, &eye, &at, &up);
    SetViewMatrix(&m);
    SetCameraFieldOfView(1.0471976f);
    SetCameraNearFar(d * 0.1f, d + 20000.0f);

    SetMaskEnabled(mask_wanted);
    return 0;
}
