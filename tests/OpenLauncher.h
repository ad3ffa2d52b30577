// Places a built launcher file in the fake and opens it, for the tests of
// the stub routines that take the open launcher and its config.
#pragma once

#include "builder/PackageWriter.h"
#include "platform/FakePlatform.h"
#include "platform/Platform.h"

// The launcher file of the run, open for reading, and its config.
struct TOpenLauncher {
  Platform::THandle file;
  TPackageConfig config;
};

// Adds the built file to the fake at path and opens it for reading as the
// launcher opens itself. Returns the handle (InvalidHandleValue if the fake
// refuses the open) with the config the builder wrote.
inline TOpenLauncher OpenBuiltLauncher(const char* path, const TBuiltPackage& built) {
  Fake::AddFile(path, built.file);
  Platform::THandle file = Platform::CreateFileA(path, Platform::GenericRead, Platform::FileShareRead,
                                                 Platform::OpenExisting, Platform::FileAttributeNormal);
  return TOpenLauncher{file, built.config};
}
