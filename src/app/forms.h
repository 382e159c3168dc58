// The program-wide window references, set at start-up and valid to the end of the run.
#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;

extern TForm1* Form1;  // launcher
extern TForm2* Form2;  // fire game (the main window, or the latest one the launcher opened)
extern TForm3* Form3;  // score table
extern TForm4* Form4;  // memory game
extern TForm5* Form5;  // picture folder dialog
