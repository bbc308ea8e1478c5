// The moving test picture of the sample fragment: scrolling colour bars over
// a gradient, a bouncing box, light sensor-like noise and the frame number in
// large seven-segment digits, so any frame can be told from its neighbours.
#pragma once

#include <cstdint>
#include <vector>

// The picture of frame 'index' as width * height * 3 bytes of RGB, rows top
// to bottom. The motion advances with the index; fps only sets how fast the
// box travels, so one second of frames shows the same motion at any rate.
std::vector<uint8_t> RenderSampleFrame(int width, int height, int index, int fps = 25);
