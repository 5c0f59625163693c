#pragma once
// Which names the host's file system refuses beyond separators, control
// characters, "." and "..": decided once per OS (posix/, win32/).

namespace quernel {

// True on Windows, which refuses the device names (CON, NUL, COM1, ...) as
// file names and drops dots and spaces at a name's end.
bool HostRefusesWindowsNames();

}  // namespace quernel
