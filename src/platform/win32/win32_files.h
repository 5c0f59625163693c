#pragma once
// The Win32 input and output files over an open file HANDLE.

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/win32/windows_api.h"

namespace quernel {

// Takes over `handle`, a disk file opened for reading with no sharing.
std::unique_ptr<InputFile> MakeWin32InputFile(HANDLE handle, uint64_t length, std::string path);

// Takes over `handle`, a disk file opened for writing with no sharing.
std::unique_ptr<OutputFile> MakeWin32OutputFile(HANDLE handle, std::string path);

// The FILETIME of a Unix instant, or nothing when no FILETIME that Windows
// accepts (0 to 2^63 - 1 ticks) denotes it.
std::optional<FILETIME> WindowsFileTimeOfUnix(int64_t unixSeconds);

FileTimeTicks TicksOf(const FILETIME& time);

// Volume serial number and the 64-bit file index.
inline FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information) {
  return {information.dwVolumeSerialNumber,
          (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

}  // namespace quernel
