// The small file layer under the package reader and writer, so that the rest of package/ makes no
// platform calls. Failures are values: a read reports whether it failed and how many bytes it
// delivered, the writing calls return 0 or an errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A plain handle to an open file; the default value is the invalid handle.
struct FileHandle {
    int descriptor = -1;

    bool IsValid() const { return descriptor >= 0; }
};

inline constexpr FileHandle kInvalidFileHandle{};

struct ReadResult {
    bool ok = false;        // false when the read itself failed
    std::size_t count = 0;  // bytes delivered; fewer than asked only at the end of the file
};

// Opens an existing regular file for reading. Gives the invalid handle when it cannot, and for
// anything else (a folder, a FIFO, a device, a socket), without waiting for a FIFO's writer.
FileHandle OpenReadOnly(const std::string& path);

// The path names something that exists and is neither a regular file nor a folder: a FIFO, a
// device or a socket, whose reading could block or never end. Symbolic links are followed.
bool NamesSpecialFile(const std::string& path);

// Reads up to `size` bytes from the absolute `offset`; the current position does not move.
ReadResult ReadBytesAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t size);

// The file's current size in bytes; false when it cannot be had.
bool FileSize(FileHandle file, std::uint64_t& size);

// The first offset at or after `offset` where the file may hold data: a hole of a sparse file
// reads as zeros and is skipped, up to the file's end when nothing follows. `offset` itself when
// the system cannot tell.
std::uint64_t NextDataOffset(FileHandle file, std::uint64_t offset);

// Closes the file if it is open and leaves the handle invalid.
void CloseFile(FileHandle& file);

// Writing side, for the package writer.

// Creates `path`, which must not exist yet, for writing. Returns 0 or an errno value.
int CreateNewFile(const std::string& path, FileHandle& file);

// Creates a file without a name in `folder`, for writing; it disappears with its last descriptor
// unless LinkUnnamedFile gives it one. Returns 0 or an errno value (the folder's file system, or
// the system, may not offer it).
int CreateUnnamedFile(const std::string& folder, FileHandle& file);

// A name of the open file that stays its own whatever happens to the name it was opened by
// (its entry in /proc/self/fd).
std::string PathOfOpenFile(FileHandle file);

// Gives the unnamed file a name; fails with EEXIST when `path` exists. Returns 0 or an errno value.
int LinkUnnamedFile(FileHandle file, const std::string& path);

// Takes the open file's exclusive lock without waiting, held until the file is closed: the mark
// of a live writer. Returns 0, or an errno value (EWOULDBLOCK when another holds it).
int LockFile(FileHandle file);

// Whether `path` still names the open file.
bool NamesOpenFile(const std::string& path, FileHandle file);

// Removes the regular file at `path` unless a live writer holds its lock (see LockFile); true
// when it was removed.
bool RemoveUnlockedFile(const std::string& path);

// Writes all `size` bytes at the absolute `offset`. Returns 0 or an errno value.
int WriteBytesAt(FileHandle file, std::uint64_t offset, const void* data, std::size_t size);

// Flushes the file's data to the disk. Returns 0 or an errno value.
int SyncFile(FileHandle file);

// Renames `from` to `to`, replacing `to`. Returns 0 or an errno value.
int RenameFile(const std::string& from, const std::string& to);

// Renames `from` to `to` only if `to` does not exist (EEXIST otherwise), atomically where the
// system can; elsewhere by a hard link and an unlink. Returns 0 or an errno value.
int RenameWithoutReplacing(const std::string& from, const std::string& to);

// What a path names, without following a symbolic link.
struct PathKind {
    bool exists = false;
    bool regularFile = false;  // false for a symbolic link, whatever it points to
    unsigned permissions = 0;  // the permission bits (07777)
};
PathKind LinkStatus(const std::string& path);

// Sets the open file's permission bits. Returns 0 or an errno value.
int SetPermissions(FileHandle file, unsigned permissions);

// Removes the file. Returns 0 or an errno value.
int RemoveFile(const std::string& path);

// The system's text for an errno value.
std::string ErrorText(int errorCode);
