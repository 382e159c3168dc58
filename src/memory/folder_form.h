// The picture folder dialog of the memory game: a folder tree and "OK". It has no handlers of its
// own; the game shows it modally, reads ModalResult (1 for "OK") and the tree's current folder.
// Selecting a folder in the tree already makes it the current directory.
#pragma once

#include "toolkit/ui/controls.h"
#include "toolkit/ui/directory_outline.h"

class TForm5 : public tk::TForm {
    Q_OBJECT
public:
    // The tree is built along the process's current directory at this moment.
    TForm5();

    tk::TLabel* Label1;
    tk::TDirectoryOutline* DirectoryOutline1;
    tk::TButton* Button1;
};

// The picture folder dialog, set at start-up and valid to the end of the run.
extern TForm5* Form5;
