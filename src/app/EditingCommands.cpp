// The bodies of the main window's commands that act on the song editor.

#include "app/MainHostWindow.h"

#include "app/MainPanels.h"
#include "editor/SongEditor.h"

void MainHostWindow::tapTempo()
{
    if (songEditor != nullptr)
        songEditor->doTap();
}
