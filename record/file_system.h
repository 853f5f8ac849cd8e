// What the program needs of the system's folders: the user's data folder, the files in a folder,
// and a lock that says a running program owns a file (the recovery copies). One implementation
// per system: file_system_posix.cpp (flock) and file_system_win32.cpp (LockFileEx).
#pragma once

#include <string>
#include <vector>

namespace velmira {

// The folder for the program's own data: $XDG_DATA_HOME/velmira, else ~/.local/share/velmira
// on Linux; %LOCALAPPDATA%\Velmira on Windows. Empty when the environment names none.
std::string DataFolder();
// Creates the folder (and its parents); true when it exists afterwards.
bool MakeFolder(const std::string& folder);
// The names (not paths) of the files in the folder whose names end in the suffix.
std::vector<std::string> FilesEndingIn(const std::string& folder, const std::string& suffix);
// The folder and a name joined with the system's separator.
std::string JoinPath(const std::string& folder, const std::string& name);
bool RemoveFile(const std::string& path);
bool FileExists(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
// A number that tells this run of the program from another running at the same time.
unsigned long ProcessNumber();

// An exclusive lock on a file (created if need be), held until the lock is destroyed or
// released; Take does not wait for another holder.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Take(const std::string& path);
  void Release();

 private:
  void* handle_ = nullptr;
};

}  // namespace velmira
