// Where a read-back finds a rendered image: the call that makes the OpenGL
// context it was rendered in current on this thread, and the framebuffer
// that holds it, asked at every read, as a resize replaces it. Whatever
// renders (the composition scene) hands these out; export/ knows nothing more
// of it.
#pragma once

#include <functional>

namespace tarnvik {

struct GLFrameSource {
    std::function<bool()> makeCurrent;
    std::function<unsigned()> framebuffer;

    explicit operator bool() const { return makeCurrent && framebuffer; }
};

} // namespace tarnvik
