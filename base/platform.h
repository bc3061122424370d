// The operating-system services the program uses, kept in one small layer.
//
// The suite names its files Windows-style: "DADES\DepartaV.dat" under a data
// root such as "/srv/kep/". ResolvePath turns such a name into a path of this
// file system: "\" and "/" both separate components; a component that exists
// is matched exactly first and otherwise without regard to case (the suite's
// own names differ in case, and Windows file names do not care); components
// that do not exist keep the name as written, so a created file takes it.
// Every file access of the program goes through ResolvePath. A name holding
// a NUL byte resolves to the empty path, which no file access reaches.
#pragma once

#include <string>
#include <string_view>

namespace base {

std::string ResolvePath(std::string_view path);

// Asks the system to put a file written and closed onto the disk; false
// when it reports the data lost (an I/O error, a full disk). Files that
// cannot be synced (a device, a pipe) are taken as written.
[[nodiscard]] bool SyncToDisk(const std::string& path);

// The value of an environment variable, empty when unset.
std::string GetEnv(const char* name);

// Sets an environment variable for this process and the programs it starts.
void SetEnv(const char* name, const std::string& value);

// path made absolute against the current directory when it is relative.
std::string AbsolutePath(const std::string& path);

// The folder of this program's own executable, without a final separator;
// empty when it cannot be found.
std::string ExecutableDirectory();

// The first folder of PATH holding an executable file of that name, as
// folder + "/" + name; empty when none does.
std::string FindOnPath(const std::string& name);

// Makes a new folder only this user can enter, under TMPDIR (or /tmp), and
// returns its path; empty, with the reason in *err, on failure.
std::string MakePrivateDirectory(const std::string& prefix, std::string* err);

// Removes a folder and everything in it; errors are ignored.
void RemoveTree(const std::string& path);

// Makes path (resolved) the process's current directory; false on failure.
[[nodiscard]] bool SetCurrentDir(std::string_view path);

// True when the resolved path names an existing file or directory.
bool PathExists(std::string_view path);

// True when the resolved path names an existing directory.
bool IsDirectory(std::string_view path);

// Creates the directory (resolved) and any missing parents; true when it
// exists afterwards.
[[nodiscard]] bool MakeDirectories(std::string_view path);

// Makes the file hold bytes, creating it when missing: written over its old
// contents and cut to length, never emptied first (a file cut to nothing
// and written again is flushed to disk when closed, which a work file written
// for every letter does not need). False when it cannot be written, or
// when path is a symbolic link (a link planted in a shared folder must not
// make the program write somewhere else).
bool ReplaceFileContents(std::string_view path, std::string_view bytes);

// The largest file ReadWholeFile reads: far above any run-parameter file,
// template, language file or CSV of an installation.
inline constexpr long kLargestReadFile = 256L * 1024 * 1024;

// Reads a whole file (resolved) into *contents; false when it cannot be read,
// or is no regular file (a folder, a FIFO, a device), or is larger than
// kLargestReadFile.
[[nodiscard]] bool ReadWholeFile(std::string_view path, std::string* contents);

// The host's network name (gethostname), empty on failure.
std::string HostName();

// Starts program (resolved) without arguments, waits for it to end and
// returns true with its exit status in *exit_status. False, with the reason in
// *err, when the program could not be started.
[[nodiscard]] bool RunProgramAndWait(std::string_view program, int* exit_status, std::string* err);

// Sleeps for the given number of milliseconds.
void SleepMilliseconds(int ms);

}  // namespace base
