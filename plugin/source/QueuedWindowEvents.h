#pragma once

/** Hands the editor's window events that already wait in this plug-in's X
    connection to their windows (nothing on other systems).

    The host wakes this copy of JUCE only when the connection's socket becomes
    readable. Drawing also reads from the connection, and may take events that
    arrived meanwhile (keys typed into the editor) off the socket into Xlib's
    own queue; those would then wait for the next event that happens to arrive,
    such as a pointer move. Called from a timer, this takes them at its next tick. */
void dispatchQueuedWindowEvents();
