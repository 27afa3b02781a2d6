// The file side of the hosts document: where the hosts file and its backup lie, the
// conversions between the working text and the file's bytes, and the three file operations.
// Nothing here throws or shows anything: failures are absent results or the flag 0.
#pragma once

#include "hosts_text.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// Any bytes, zero bytes included. Reads that find nothing give absent, never an empty string.
using ByteString = std::string;
using MaybeBytes = std::optional<ByteString>;

// Handed on wherever a byte string is needed and none is at hand.
const ByteString& emptyByteString();

// Paths are UTF-16 on Windows and reach the platform through its W functions unchanged.
using Path = std::wstring;

// Once at start-up: takes the running program's file name, keeps the folder it lies in and
// makes that folder the current directory.
void fixProgramDirectory();

// The folder fixed at start-up, without a trailing separator; absent when it is empty.
std::optional<Path> programDirectory();

// The system folder with one trailing backslash; absent when the platform gives none.
std::optional<Path> systemDirectory();

// systemDirectory() + "\drivers\etc\hosts" (so two backslashes stand before "drivers").
Path resolveHostsPath();

// programDirectory() + "\Host_Bak".
Path resolveBackupPath();

// The whole content of an existing, non-empty file; absent on any failure.
MaybeBytes readFileBytes(const Path& path);

// The bytes before the first zero byte; absent when there are none. Taken by value: a caller
// that is done with its bytes moves them in, and a file of megabytes is not copied.
MaybeText bytesToText(MaybeBytes bytes);

// The text's bytes without its terminator; absent for the empty text. Taken by value, as above.
MaybeBytes textToBytes(MaybeText text);

// Save's temporary files are named kSaveTempPrefix + something unique + kSaveTempSuffix, in
// the folder of the file they replace. A name of that form belongs to us: a Save removes such
// files that no process holds, the leftovers of one that was cut short.
inline constexpr wchar_t kSaveTempPrefix[] = L"kelvane-save-";
inline constexpr wchar_t kSaveTempSuffix[] = L".tmp";

// How long a Save rides out another process's short hold on the file (an antivirus scanner or
// the search indexer opening it right after a change): each step tries again after 25 ms x the
// attempt, up to kHoldRetries times, and all of its waits together stay within kHoldWaitLimitMs.
inline constexpr int kHoldRetries = 9;
inline constexpr std::uint32_t kHoldWaitStepMs = 25;
inline constexpr std::uint32_t kHoldWaitLimitMs = 2000;

// The file's content becomes the data pieces, one after another: the new bytes are written
// beside it, given its attributes and security, and take its place in one rename; then the file
// is read back. 1 when it holds exactly the data, else 0. A failure before the rename leaves the
// file exactly as it was, and no temporary file stays behind.
int writeFileBytes(const Path& path, std::initializer_list<std::string_view> data);

// writeFileBytes of the hosts file, and after a success the resolver forgets its cached names,
// so that the saved entries count at once.
int writeHostsFileBytes(const Path& path, std::string_view bytes);

// The shell copies the sources onto the destination with its own progress, replace and error
// dialogs while the program's top-level windows are disabled. 1 only when the copy finished
// with nothing aborted.
int shellCopy(const Path& destination, std::initializer_list<Path> sources);

}  // namespace kelvane
