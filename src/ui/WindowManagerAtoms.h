#pragma once

/** Makes sure the X atoms that windows announce to the window manager exist on
    the display named by DISPLAY, before any window is made.

    The windowing layer looks these atoms up without creating them and then uses
    them unconditionally; on a display where no window manager has created them
    yet (none running, or one still starting) it would send atom 0 and Xlib's
    default error handler would end the program. The atoms are created through a
    connection of our own, kept open while the process lives so that a server
    without other clients does not reset and forget them. Does nothing when
    DISPLAY is unset or the display cannot be opened. Call once, early. */
void makeSureWindowManagerAtomsExist();
