// Win32 only. Measures what starting a program costs inside a running Wine:
// starts the bare stand-in named by TARNWICK_BENCH_CHILD, as the launcher
// starts its setup program, and waits for it. Its stamp, less the bare
// stand-in's own, is the price of one process start, which the launcher's
// time holds and the reference's does not.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH];
  if (GetEnvironmentVariableA("TARNWICK_BENCH_CHILD", path, sizeof path) == 0) return 1;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 1;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
