// The program's four windows, one instance each, living from start-up to the
// end of the process.
#pragma once

#include "volume/VolumeOps.h"

class TForm1;
class TForm2;
class TForm3;
class TForm4;

extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;

// Creates the windows in their order: the main window first (its FormCreate
// runs while it is made), then the progress, drive information and about
// windows, all hidden.
void CreateForms(vorkan::VolumeOps& ops);
// Destroys them again, the last made first.
void DestroyForms();
