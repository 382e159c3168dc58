// The picture folder dialog of the memory game.
#pragma once

#include "app/toolkit/controls.h"

class TForm5 : public tk::TForm {
    Q_OBJECT
public:
    TForm5();
};
