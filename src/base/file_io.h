// Whole-file operations. Every file is opened, read or written, and closed inside one call;
// nothing stays open between operations. Failures come back as false plus a reason text (the
// operating system's words), never as exceptions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movexa {

namespace fs = std::filesystem;

// Size bound of the small text files (configuration, project, plate, calibration and report
// settings files): a few hundred lines each, so anything larger is not one of them.
inline constexpr int64_t kTextFileMaxBytes = int64_t{4} << 20;

// Reads a whole regular file as bytes in a string; nullopt (and `error`) when it cannot be
// read, is not a regular file (a FIFO, a device, a folder: never opened for long, never read
// without end) or holds more than `maxBytes`. A symbolic link to a regular file is read.
std::optional<std::string> ReadWholeFile(const fs::path& path, std::string* error = nullptr,
                                         int64_t maxBytes = kTextFileMaxBytes);

// Opens a regular file for reading (the same checks as ReadWholeFile, without a size bound);
// the descriptor, or -1 and `error`.
int OpenRegularFileForReading(const fs::path& path, std::string* error = nullptr);

// The writers below never write through a symbolic link planted at the file's name: the link
// is replaced by a fresh file and its target stays untouched. A FIFO, device or folder at the
// name is refused with an error rather than written to.

// Creates or truncates `path` and writes `data` (the plain rewrite of a file).
bool WriteWholeFile(const fs::path& path, std::string_view data, std::string* error = nullptr);

// As WriteWholeFile, and tells a file that cannot be opened for writing (`opened` false:
// nothing was changed, another name may be tried) from a failure while writing.
bool WriteWholeFileChecked(const fs::path& path, std::string_view data, bool& opened,
                           std::string* error = nullptr);

// Writes `data` to a temporary file beside `path` (a name of this writer's own), flushes it to
// disk and renames it over `path`: readers see either the old or the new content, never a
// half-written file, and two writers of one file each put one whole content in place.
bool WriteFileAtomic(const fs::path& path, std::string_view data, std::string* error = nullptr);

// A name beside `path` that no other writer picks: `path`'s name, then the process, a
// per-process random number and a counter, then `suffix` (".tmp").
fs::path UniqueSiblingName(const fs::path& path, std::string_view suffix);
// The name a UniqueSiblingName was made from ("groups.dat" for a staged groups file), when
// `fileName` is such a name with `suffix`; empty otherwise.
std::string UniqueSiblingBase(std::string_view fileName, std::string_view suffix);
// Creates `path` (which must not exist; never through a link), writes `data` and flushes it to
// disk. On failure the file is removed again and errno tells why (EEXIST: the name is taken).
bool WriteNewFile(const fs::path& path, std::string_view data, std::string* error = nullptr);
// Flushes a folder's entries (files created, renamed or removed in it) to disk.
bool SyncFolder(const fs::path& folder);

// Opens `path` for appending (creating it), writes `data`, flushes it to disk and closes it.
// When the write fails part-way the file is cut back to its previous length, so a record is
// either appended whole or not at all and can be written again later.
// `errorNumber`, when given, receives the system's error number of a failure (0 on success), so
// that a caller can tell a full disk from a file-size limit (EFBIG).
bool AppendToFile(const fs::path& path, std::string_view data, std::string* error = nullptr,
                  int* errorNumber = nullptr);
// The same for a path given as text; allocates nothing when the append succeeds (the bin close
// of the sampling tick appends through it).
bool AppendToFile(const char* path, std::string_view data, std::string* error = nullptr,
                  int* errorNumber = nullptr);

// Writes `data` at byte `offset` of an existing file without changing its length beyond
// offset + size.
bool WriteAt(const fs::path& path, uint64_t offset, std::string_view data,
             std::string* error = nullptr);

// Copies a file, overwriting the destination.
bool CopyFileOver(const fs::path& from, const fs::path& to, std::string* error = nullptr);

// What stands at `path` when it is something other than a regular file, in words for the
// operator ("a named pipe (FIFO)", "a folder", "a device", "a socket", "a link to nothing");
// empty for a regular file (or a link to one) and when nothing is there.
std::string SpecialFileKind(const fs::path& path);

// Existence tests that never throw.
bool IsFile(const fs::path& path);
bool IsDirectory(const fs::path& path);
// File length in bytes, or -1.
int64_t FileLength(const fs::path& path);

// Names of the sub-folders of `folder` (not recursive), in the order the file system lists
// them; empty on failure (and `ok` false when given).
std::vector<std::string> ListSubfolders(const fs::path& folder, bool* ok = nullptr);

// A folder as the operator typed it, made absolute and plain: "." and ".." resolved, repeated
// and trailing separators dropped ("runs/20240319_1405/" and "." from inside that folder both
// give ".../runs/20240319_1405"), so its name and its parent are the folder's own. Symbolic
// links are kept as typed. Empty stays empty.
fs::path NormaliseFolder(const fs::path& typed);

// The operating system's text for the last error number.
std::string LastOsError();

}  // namespace movexa
