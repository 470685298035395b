// The checker's view of the file system. SQR programs come from Windows: names are
// found without regard to letter case when they do not exist as written, "\" is read as
// a directory separator, and files are read in text mode. The layers above reach files
// only through the FileSystem interface, so their tests can run on files held in memory.
#pragma once

#include "core/Text.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace zarnet {

// A file operation that failed where the run cannot go on. The driver prints
// "<program>: <path>: <operation>: <kind> (<system text>)" on standard error, exit code 1.
class FileOpError : public std::runtime_error {
public:
    FileOpError(Text path, std::string operation, int errnum);
    const Text& path() const noexcept { return path_; }
    const std::string& operation() const noexcept { return operation_; }
    int errnum() const noexcept { return errnum_; }
    // "<path>: <operation>: <kind> (<system text>)", without the program name.
    std::string describe() const;

private:
    Text path_;
    std::string operation_;
    int errnum_;
};

// The bytes of a whole file, and whether reading it again gives them again as long as
// nothing writes to it: true when they are exactly as many as the file's size said when
// it was opened. Files that give no size (those under /proc) or another one (those under
// /sys) are made as they are read, and may differ at every read.
struct FileBytes {
    std::string bytes;
    bool repeatable = false;
};

// Where the included files of a run come from.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True only when the path names a regular file: a device or a pipe would be read
    // without end (/dev/zero) or wait for ever.
    virtual bool isFile(const Text& path) const = 0;
    // The bytes of a whole regular file. Throws FileOpError when it cannot be read.
    virtual std::string readBytes(const Text& path) const = 0;
    // readBytes, telling whether the read can be repeated; unless told otherwise, it can.
    virtual FileBytes readFile(const Text& path) const { return FileBytes{readBytes(path), true}; }
};

// The listings of the directories a run looked into, each read (and its names
// upper-cased) once: a name that does not exist as written is looked up without regard
// to case in its directory, and a run of many includes along several search directories
// would otherwise list the same directories again for every one.
class DirectoryListings {
public:
    // The entry of `dir` ("" for the current directory) whose name equals `name` without
    // regard to case; of several, the first in byte order.
    std::optional<std::string> findCaseInsensitive(const std::string& dir, const std::string& name);

private:
    // Upper-cased name -> the first matching entry; none: the directory cannot be listed.
    std::unordered_map<std::string, std::optional<std::unordered_map<std::string, std::string>>> dirs_;
};

// The machine's file system, with the rules above. One made for a run keeps the listings
// of the directories it looked into for as long as it lives.
class DiskFileSystem final : public FileSystem {
public:
    explicit DiskFileSystem(bool keepListings) : keepListings_(keepListings) {}
    bool isFile(const Text& path) const override;
    std::string readBytes(const Text& path) const override;
    FileBytes readFile(const Text& path) const override;

private:
    bool keepListings_;
    mutable DirectoryListings listings_;
};

// The machine's file system, keeping no listings.
const FileSystem& diskFileSystem();

// Files held in memory, for tests: paths are matched exactly as written.
class MemoryFileSystem final : public FileSystem {
public:
    void add(const Text& path, std::string bytes) { files_[path] = std::move(bytes); }
    bool isFile(const Text& path) const override { return files_.count(path) != 0; }
    std::string readBytes(const Text& path) const override;

private:
    std::map<Text, std::string> files_;
};

// A whole file of `fs` read in text mode, as readTextFile does.
Text readTextFile(const FileSystem& fs, const Text& path);
// The same, telling whether the read can be repeated (FileBytes::repeatable).
struct FileText {
    Text text;
    bool repeatable = false;
};
FileText readFileText(const FileSystem& fs, const Text& path);

// True only when the path names an existing entry that is not a directory; any failure
// while asking counts as absent.
bool fileExists(const Text& path);

// Reads a whole file in text mode (CR LF becomes LF; UTF-8, or else Windows-1252).
// Throws FileOpError ("openFile") when the file cannot be opened or read, or is a directory.
Text readTextFile(const Text& path);

// Joins a directory and a file name: a name beginning with "/" or "\" stands alone, an
// empty directory gives the name, an empty name gives the directory, and "/" goes between
// them unless the directory already ends in a separator.
Text joinPath(const Text& dir, const Text& name);

// The file-name part of a path (after the last "/" or "\").
Text fileNamePart(const Text& path);

// False for a name the system cannot take: one holding a NUL, which would otherwise cut
// the name short and reach a different file.
bool isUsablePath(const Text& path);

// The path as the system names it: "\" read as "/", and every component that does not
// exist as written looked up without regard to case (the first match in byte order), in
// the kept listings when some are given.
std::string toNativePath(const Text& path, DirectoryListings* listings = nullptr);

// The path with "\" read as "/" and nothing looked up: a file to be created is named as
// written.
std::string toNativeSeparators(const Text& path);

// Reads a whole file as bytes; failures as for readTextFile.
std::string readFileBytes(const Text& path);

} // namespace zarnet
