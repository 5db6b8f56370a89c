#pragma once
// The program unit: what runs between the process start and the message
// loop, and the loop itself.

// The units' start, in their order, the program's own last (it switches on
// FilterEditCloseUpApplyFilter of the grids' center), and their end. Every
// start is matched by one end; ProgramStart starts them.
void InitProgramUnits();
void FinalProgramUnits();

// Start-up up to the message loop: the single-instance guard for the program
// file (ParamStr0), whose refusal is shown in the platform's plain message
// box; then the application titled "Z39.50" and its six windows in their
// order: main window, resource tree editor, resource editor, about box, wait
// window, settings window. False, with no window created, when another copy
// of the program file runs or the guard cannot be made.
bool ProgramStart();

// The whole run: ProgramStart, then the message loop until the main window
// closes. The process exit code.
int ProgramRun();
