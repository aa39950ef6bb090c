// The file access beneath the component library's file streams. The default layer opens host paths; the
// emulated machine installs its own layer (Windows paths, drives, share modes across processes) at library
// start-up, so that every TFileStream, LoadFromFile and SaveToFile reaches it. Failures are reported as a
// Win32 error code with its system text, never raised.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A failure: the Win32 error code and the system's text for it ("The system cannot find the file
// specified.").
struct TFileError {
  uint32_t Code = 0;
  std::string Text;
};

enum class TFileAccess { Read, Write, ReadWrite };
// What other opens of the same file may do while this one is open.
enum class TFileShare { Exclusive, DenyWrite, DenyRead, DenyNone };
enum class TFileCreation { OpenExisting, CreateAlways };
enum class TFileOrigin { Begin, Current, End };

// One open file; destroying it closes the file. Each call returns false and fills error on failure.
class IFileHandle {
 public:
  virtual ~IFileHandle() = default;
  // Reads up to count bytes; done < count only at the end of the file.
  virtual bool Read(void* buffer, std::size_t count, std::size_t& done, TFileError& error) = 0;
  virtual bool Write(const void* buffer, std::size_t count, std::size_t& done, TFileError& error) = 0;
  // Moves the file position (past the end is allowed) and reports the new one.
  virtual bool Seek(int64_t offset, TFileOrigin origin, int64_t& position, TFileError& error) = 0;
  virtual bool Size(int64_t& size, TFileError& error) = 0;
  // Ends the file at the current position (grows it with zero bytes when the position lies past the end).
  virtual bool Truncate(TFileError& error) = 0;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // Opens or creates a file (CreateAlways empties an existing one); nullptr with error on failure. An open
  // that conflicts with the access or share mode of another open of the file fails with a sharing
  // violation (32) and changes nothing.
  virtual std::unique_ptr<IFileHandle> Open(const std::string& fileName, TFileAccess access, TFileShare share,
                                            TFileCreation creation, TFileError& error) = 0;
};

// The installed layer.
IFileSystem& FileSystem();
// Installs a layer (not owned; it must outlive its use) and returns the previous one; nullptr restores the
// host layer. Install before files are opened: handles stay with the layer that opened them.
IFileSystem* InstallFileSystem(IFileSystem* layer);
// The host layer: CP1250 names converted to host names, share modes checked among the opens of this process.
IFileSystem& HostFileSystem();

// Reads a whole file of the host (a host path as the command line gives it, not CP1250) into text; an empty
// file gives empty text. On failure returns false with the system's reason in error.
bool ReadHostFile(const std::string& hostPath, std::string& text, std::string& error);
