#include "ui/WindowManagerAtoms.h"

#include <X11/Xlib.h>

#include <cstdlib>

void makeSureWindowManagerAtomsExist()
{
    const char* name = std::getenv ("DISPLAY");
    if (name == nullptr || *name == '\0')
        return;

    Display* display = XOpenDisplay (name);
    if (display == nullptr)
        return;

    // The atoms the windowing layer only looks up (the others it creates itself).
    char* atomNames[] = { const_cast<char*> ("WM_PROTOCOLS"),        const_cast<char*> ("WM_TAKE_FOCUS"),
                          const_cast<char*> ("WM_DELETE_WINDOW"),    const_cast<char*> ("_NET_WM_PING"),
                          const_cast<char*> ("WM_CHANGE_STATE"),     const_cast<char*> ("WM_STATE"),
                          const_cast<char*> ("_NET_WM_WINDOW_TYPE"), const_cast<char*> ("_NET_WM_STATE"),
                          const_cast<char*> ("_NET_WM_STATE_HIDDEN") };
    constexpr int count = (int) (sizeof (atomNames) / sizeof (atomNames[0]));
    Atom atoms[count] = {};
    XInternAtoms (display, atomNames, count, False, atoms);

    // The connection stays open while the process lives: an X server with no
    // other client (no window manager) resets when its last client leaves, and
    // a reset forgets the atoms again before the windowing layer looks them up.
    // It is closed with the process.
}
