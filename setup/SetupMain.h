// The program's start: the wide GUI entry point, the dialog procedure of the
// one modal main dialog, and the holder of the main dialog object.
//
// wWinMain writes the log block, opens the modal dialog 130 and returns 0
// when it ends (the command line is not read). Before it returns, every
// thread the dialog started has been joined (bounded waits).
#pragma once

#include <functional>

#include "platform/Win32.h"

class SetupDlg;

int wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);
INT_PTR MainDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Creates the main dialog object (a WebsiteSmallDownloader); one held
// already is destroyed first.
void CreateMainDialog();
// Empties the holder; the object is destroyed once its threads are joined.
void ReleaseMainDialog();
// The dialog the holder has now (null when none), for tests and the program.
SetupDlg* GetMainDialog();
// Runs `visit` with the dialog the holder has now (or null); the object is
// not released before `visit` returns. For other threads than the dialog's;
// `visit` must not wait for the dialog's thread.
void VisitMainDialog(const std::function<void(SetupDlg*)>& visit);
// Whether the debug ini file asks for test mode (a true answer is kept).
bool IsSetupTestMode();
// The module instance handle that wWinMain stored.
HINSTANCE GetSetupInstance();
// Tests only: forgets the test-mode answer.
void ResetSetupTestModeForTests();
