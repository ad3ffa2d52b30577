// What both fuzz targets share: one launcher file run from the entry over
// the fake platform with the rules every run keeps to, the sealing of bare
// package bytes into a launcher file, and the seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The image that every sealed package and every seed follows; its size is
// the seeds' configOffset.
constexpr size_t FuzzImageSize = 512;

// Runs file as the launcher's own file on one of three systems (chosen by
// the file's size: Windows 10 with an ordinary user or an elevated
// administrator, or Windows XP), and aborts (for libFuzzer to report) when the run breaks a rule:
// exit code 0; exactly one message box, or else one started setup program;
// every box with the launcher's path as caption and the error type; no
// fatal message that the fake gives no cause for; no read asking for more
// than the file or a text holds; every seek to a position the signed seek
// reaches; a short read of the launcher file only on a run that ends as
// damaged; nothing left in the temporary folder by a refused package.
void RunLauncherFile(const std::vector<uint8_t>& file);

// A launcher file made of bare package bytes: the fuzz image, then bytes as
// the package, with a header whose CRC region is the whole package and
// whose least size is the file's, so that mutated packages pass the
// integrity checks and reach the records and the decoder.
std::vector<uint8_t> SealPackage(const uint8_t* bytes, size_t size);

// With "--write-seeds FOLDER" among the arguments: writes the seeds, made by
// the package writer, into FOLDER (whole launcher files, or the package
// bytes alone for the sealed target) and ends the process, 0 on success.
// Otherwise returns and leaves the arguments to libFuzzer.
void HandleSeedOption(int argc, char** argv, bool packageOnly);
