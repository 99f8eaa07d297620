// Frame clear, flip and present.
#pragma once

// Shows the back screen in the window: 0, or -1 when the layer is not
// running or a quit is pending.
int FlipDrawScreen();
// Paints the stored inactive-window picture: -1, since none is ever stored.
int PaintInactiveWindowPicture();
