// Where the main window first appears: three quarters of the screen, capped at 647 × 485 only
// when both sides exceed their cap, centred.
#pragma once

struct FrameGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline constexpr int MAX_FRAME_WIDTH = 647;
inline constexpr int MAX_FRAME_HEIGHT = 485;

constexpr FrameGeometry InitialFrameGeometry(int screenWidth, int screenHeight)
{
    FrameGeometry g;
    g.width = 3 * screenWidth / 4;
    g.height = 3 * screenHeight / 4;
    if (g.height > MAX_FRAME_HEIGHT && g.width > MAX_FRAME_WIDTH) {
        g.height = MAX_FRAME_HEIGHT;
        g.width = MAX_FRAME_WIDTH;
    }
    g.x = (screenWidth - g.width) / 2;
    g.y = (screenHeight - g.height) / 2;
    return g;
}
