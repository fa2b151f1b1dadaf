// SPDX-License-Identifier: MIT
// Base class of the program's one application object.
#pragma once

namespace moon {

// A program defines exactly one object of a GLApp subclass, usually a static
// one, so it exists before the entry function runs; a second one ends the
// process with status 1.
class GLApp {
public:
    // The id of the program's icon in its module (the lowest one, which
    // Windows shows for the executable): the class icon of every GL window.
    // Without it the windows carry the system's stock icon.
    static constexpr int kIconResource = 1;

    GLApp();
    virtual ~GLApp();

    GLApp(const GLApp&) = delete;
    GLApp& operator=(const GLApp&) = delete;

    // Called once by Run before any window is created.
    virtual void OnInit() {}
    // Called by the message loop whenever the queue is empty, before the
    // windows' own OnIdle.
    virtual void OnIdle() {}
    // Called once by Run after the message loop has ended.
    virtual void OnExit() {}
};

}  // namespace moon
