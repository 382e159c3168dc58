// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the five windows, created in a fixed order so that the fire game window is the main one.
#pragma once

#include <functional>

namespace tk {
class Application;
}

// Starts decoding the fire game's embedded pictures, the set for the screen the windows open on,
// on a worker thread; the fire game window waits for them as it is built, and a picture that fails
// still fails there, at start-up. Needs the application object: the screen decides the set.
void StartDecodingPictures(const tk::Application& app);

// Creates TForm2, TForm1, TForm3, TForm4 and TForm5 in that order and sets Form1..Form5.
void CreateForms(tk::Application& app);

// The whole program: creates the windows and runs the event loop. Returns the exit code (0).
int RunProgram(tk::Application& app);

// The memory game on its own: creates TForm4 (first, so it is the main window, shown by the event
// loop and ending the program when closed) and TForm5, runs `beforeRun` (the family game's start),
// then the event loop. Returns 0.
int RunPexeso(tk::Application& app, const std::function<void()>& beforeRun = {});
