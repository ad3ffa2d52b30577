// The temporary copy of the setup program: its folder, a free name after the
// launcher's own file name, and the file written in one piece.
#pragma once

#include <cstdint>

#include "../platform/Platform.h"
#include "AnsiString.h"

// The only path separator.
constexpr char PathSeparator = '\\';
// GetTempPathA fills a zeroed buffer of this many bytes.
constexpr uint32_t TempPathBufferSize = 256;
// The folder used when the system reports no temporary folder.
extern const char* const FallbackTempFolder;
// The first number tried once the plain name is taken.
constexpr int32_t FirstTempNumber = 2;
// Stands for the plain first candidate, without a number, where a number is
// expected: the numbering goes on from it to FirstTempNumber.
constexpr int32_t PlainTempNumber = FirstTempNumber - 1;
// The copy is written in pieces of at most this many bytes: one write of a
// whole large program can fail where smaller ones do not.
constexpr uint32_t TempCopyChunkSize = 8u * 1024u * 1024u;
// The held copy is read back in pieces of this many bytes.
constexpr uint32_t TempCopyCompareChunkSize = 64u * 1024u;
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

// The candidate for number: firstCandidate itself for PlainTempNumber or
// less, else NumberedTempPath. Pure.
TAnsiString TempCandidate(const TAnsiString& firstCandidate, int32_t number);

// The first candidate that does not exist, trying TempCandidate for number,
// number + 1, ...; number is left at the one returned. When every number up
// to 2147483647 is taken, ends the run with FatalTempCopyFailed.
TAnsiString FreeTempPathFrom(const TAnsiString& firstCandidate, int32_t& number);

// The first candidate that does not exist: firstCandidate itself, else
// NumberedTempPath for firstNumber, firstNumber + 1, ... When every number up
// to 2147483647 is taken, ends the run with FatalTempCopyFailed.
TAnsiString MakeFreeTempPath(const TAnsiString& firstCandidate, int32_t firstNumber = FirstTempNumber);

// Creates tempPath as a new file and writes size bytes (size is at least 0)
// in pieces of TempCopyChunkSize; true only with the file complete and
// closed. false when a file or folder took the name after it was found free
// (ERROR_FILE_EXISTS): nothing there was opened or changed. Any other
// failure to create ends the run with FatalTempCopyFailed; a write that
// fails or stores nothing ends the writing, and a short total closes and
// deletes the file first.
bool WriteTempCopy(const TAnsiString& tempPath, const uint8_t* bytes, int32_t size);

// Opens the written copy at tempPath for reading, sharing reading only, and
// returns that handle: while it is open nobody can write, replace or delete
// the copy. The copy must hold exactly the size bytes at bytes, so that a
// file swapped in after the write is never started. A copy that cannot be
// opened or holds anything else is closed, deleted, and the run ends with
// FatalTempCopyFailed.
Platform::THandle HoldTempCopy(const TAnsiString& tempPath, const uint8_t* bytes, int32_t size);

// The copy of a run: its path, and the handle that holds it (HoldTempCopy)
// until the launcher closes it before deleting the copy.
struct TTempCopy {
  TAnsiString path;
  Platform::THandle held;
};

// The temporary-copy step of a run: chooses the folder, finds a free name
// after the launcher's own file name, writes the bytes and holds the copy.
// A name taken between the check and the create goes on with the next
// number. Ends the run with FatalTempCopyFailed where WriteTempCopy,
// HoldTempCopy or the numbering do.
TTempCopy MakeTempCopy(const uint8_t* bytes, int32_t size);
