// The four character windows as the settings window sees them: the global
// pointers, and each window and its timer by character index (0 Mallo,
// 1 Tibbet, 2 Quon, 3 Oswy). Mallo's unit defines these: its window
// creates and owns the other three.
#pragma once

class TForm;
class TTimer;
class TForm1;
class TForm2;
class TForm3;
class TForm4;

extern TForm1* Form1;  // Mallo, the main form
extern TForm2* Form2;  // Tibbet
extern TForm3* Form3;  // Quon
extern TForm4* Form4;  // Oswy

// Not owned; null for an index outside 0 to 3.
TForm* CharacterForm(int index);
TTimer* CharacterTimer(int index);

// Mallo's menu command, which the tray icon's commands run.
void OpenSettingsAsMallo();
