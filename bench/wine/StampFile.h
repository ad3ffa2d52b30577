// Win32 only. The time stamp that the Wine figure reads back.
#pragma once

#include <windows.h>

#include <cstdio>

// Writes the wall clock, 100 ns units since 1601, in decimal to the file
// that TARNWICK_BENCH_STAMP names; does nothing without it.
inline void WriteStartStamp() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  char path[MAX_PATH];
  if (GetEnvironmentVariableA("TARNWICK_BENCH_STAMP", path, sizeof path) == 0) return;
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%llu\n", ticks);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
}
