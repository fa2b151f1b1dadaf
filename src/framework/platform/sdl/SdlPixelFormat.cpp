// SPDX-License-Identifier: MIT
#include "framework/platform/sdl/SdlPixelFormat.h"

#include <SDL.h>

#include <algorithm>

namespace moon::platform {
namespace {

// SDL asks per channel; a 24-bit wish is 8-8-8, 16 bits is 5-6-5.
constexpr int kMaxChannelBits = 8;

int channelBits(int colourBits, int channel) {
    const int share = colourBits / 3;
    const int extra = (channel == 1) ? colourBits % 3 : 0;  // green takes the remainder
    return std::min(share + extra, kMaxChannelBits);
}

void addOnce(std::vector<GLAttributes>& list, const GLAttributes& attributes) {
    if (std::find(list.begin(), list.end(), attributes) == list.end()) {
        list.push_back(attributes);
    }
}

}  // namespace

std::vector<GLAttributes> FallbackLadder(const GLAttributes& wish) {
    std::vector<GLAttributes> ladder;
    GLAttributes plain = wish;
    plain.stencilBits = 0;
    plain.alphaBits = 0;
    plain.accumBits = 0;
    for (const GLAttributes& base : {wish, plain}) {
        for (int depth : {base.depthBits, 24, 16}) {
            GLAttributes attempt = base;
            attempt.depthBits = std::min(depth, base.depthBits);
            addOnce(ladder, attempt);
        }
    }
    return ladder;
}

void ApplyAttributes(const GLAttributes& attributes) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits(attributes.colourBits, 0));
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits(attributes.colourBits, 1));
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits(attributes.colourBits, 2));
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, attributes.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, attributes.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, attributes.stencilBits);
    const int accumChannel = attributes.accumBits / 4;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accumChannel);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accumChannel);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accumChannel);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accumChannel);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, attributes.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_STEREO, attributes.stereo ? 1 : 0);
}

GLAttributes ReadCurrentAttributes(const GLAttributes& requested) {
    GLAttributes actual = requested;
    auto read = [](SDL_GLattr attribute, int& field) {
        int value = 0;
        if (SDL_GL_GetAttribute(attribute, &value) == 0 && value >= 0) {
            field = value;
        }
    };
    int red = -1, green = -1, blue = -1;
    read(SDL_GL_RED_SIZE, red);
    read(SDL_GL_GREEN_SIZE, green);
    read(SDL_GL_BLUE_SIZE, blue);
    if (red >= 0 && green >= 0 && blue >= 0) {
        actual.colourBits = red + green + blue;
    }
    read(SDL_GL_ALPHA_SIZE, actual.alphaBits);
    read(SDL_GL_DEPTH_SIZE, actual.depthBits);
    read(SDL_GL_STENCIL_SIZE, actual.stencilBits);
    int accum[4] = {-1, -1, -1, -1};
    read(SDL_GL_ACCUM_RED_SIZE, accum[0]);
    read(SDL_GL_ACCUM_GREEN_SIZE, accum[1]);
    read(SDL_GL_ACCUM_BLUE_SIZE, accum[2]);
    read(SDL_GL_ACCUM_ALPHA_SIZE, accum[3]);
    if (accum[0] >= 0 && accum[1] >= 0 && accum[2] >= 0 && accum[3] >= 0) {
        actual.accumBits = accum[0] + accum[1] + accum[2] + accum[3];
    }
    return actual;
}

}  // namespace moon::platform
