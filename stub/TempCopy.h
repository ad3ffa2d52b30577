// The temporary copy of the setup program: its folder, a free name after the
// launcher's own file name, and the file written in one piece.
#pragma once

#include <cstdint>

#include "AnsiString.h"

// The only path separator.
constexpr char PathSeparator = '\\';
// GetTempPathA fills a zeroed buffer of this many bytes.
constexpr uint32_t TempPathBufferSize = 256;
// The folder used when the system reports no temporary folder.
extern const char* const FallbackTempFolder;
// The first number tried once the plain name is taken.
constexpr int32_t FirstTempNumber = 2;
// The number goes before this many characters at the end of the candidate.
constexpr size_t TempNumberTailLength = 4;

// Everything up to and including the last backslash; empty without one.
TAnsiString PathFolderPart(const TAnsiString& path);
// Everything after the last backslash; the whole path without one.
TAnsiString PathNamePart(const TAnsiString& path);
// Whether anything, file or folder, is found at path.
bool PathExists(const char* path);

// The folder of the temporary copy, pure. With tempIsLastArgument: the
// launcher's own folder as PathFolderPart gives it, nothing added, and the
// other inputs are not examined. Otherwise: folderArgument when not null
// (the folder after /temp), else the text of systemTempBuffer
// (TempPathBufferSize bytes, up to its first NUL) or FallbackTempFolder when
// that is empty; a backslash is appended when it does not end in one.
TAnsiString TempFolderChoice(const TAnsiString& launcherPath, bool tempIsLastArgument, const char* systemTempBuffer,
                             const char* folderArgument);

// The folder of the temporary copy for this run's arguments, asking the
// system for its temporary folder only when the last argument is not /temp.
TAnsiString ChooseTempFolder();

// The first candidate with the decimal digits of number inserted before its
// last TempNumberTailLength characters (at its start when it is shorter).
// Pure.
TAnsiString NumberedTempPath(const TAnsiString& firstCandidate, int32_t number);

// The number after current; false when current is the largest signed 32-bit
// number, where the numbering must end instead of wrapping. Pure.
bool NextTempNumber(int32_t current, int32_t& next);

// The first candidate that does not exist: firstCandidate itself, else
// NumberedTempPath for firstNumber, firstNumber + 1, ... When every number up
// to 2147483647 is taken, ends the run with FatalTempCopyFailed.
TAnsiString MakeFreeTempPath(const TAnsiString& firstCandidate, int32_t firstNumber = FirstTempNumber);

// Creates tempPath (replacing any file there) and writes size bytes (size is
// at least 0) in one write; returns only with the file complete and closed.
// A file that cannot be created ends the run with FatalTempCopyFailed; a
// short write deletes the file first.
void WriteTempCopy(const TAnsiString& tempPath, const uint8_t* bytes, int32_t size);

// The temporary-copy step of a run: chooses the folder, finds a free name
// after the launcher's own file name, writes the bytes and returns TempPath.
// Ends the run with FatalTempCopyFailed where WriteTempCopy or
// MakeFreeTempPath do.
TAnsiString MakeTempCopy(const uint8_t* bytes, int32_t size);
