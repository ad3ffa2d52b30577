// The POSIX implementation of the platform layer, linked only into the
// package command, so that the command runs the launcher's own checks over
// real files. What the command tells it and asks of it beyond Platform.h.
#pragma once

#include <string>

namespace HostPlatform {

// The code page that GetACP reports: UTF-8, so that package texts convert
// without loss.
constexpr unsigned CodePageUtf8 = 65001;

// The path that GetModuleFileNameA reports: the launcher file under test,
// which the launcher's code then opens as its own.
void SetModulePath(const std::string& path);

// Called before MessageBoxA prints, e.g. to erase a progress line.
void SetBeforeMessage(void (*hook)());

// Whether MessageBoxA was called, and the text it was last given.
bool MessageShown();
const std::string& LastMessage();

}  // namespace HostPlatform
