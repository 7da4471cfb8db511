// The Windows entry point: the real desktop under the gadget, then its message loop.
#include <windows.h>

#include "app/program.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_desktop.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  rn::win32::Win32Api api;
  rn::win32::Win32Desktop desktop;
  rn::Program program(desktop, api, desktop.Files());
  program.Start();
  return desktop.RunMessageLoop();
}
