// Win32 only. The stand-in setup program of the Wine figure: at its start it
// writes the wall clock (100 ns units since 1601, as Windows keeps it) to
// the file that TARNWICK_BENCH_STAMP names, and ends. The benchmark pads the
// image to the size of a real setup program; the loader ignores the tail.
#include <windows.h>

#include "StampFile.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  WriteStartStamp();
  return 0;
}
