// An output file written whole: the bytes go to a temporary file beside the
// target and are renamed over it only once complete, so a failure (a full
// disk, a crash) leaves the old file or none, never part of one. A target
// that is not a plain file (a device such as /dev/null, a pipe) is written
// in place: renaming over it would replace the device itself.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

class OutputFile {
public:
    // Opens a new temporary file in the folder dirFd (AT_FDCWD: the current
    // one) for `name` there, a plain name or a path relative to it. Null,
    // with the reason in *error, when it cannot.
    static std::unique_ptr<OutputFile> create(int dirFd, const std::string& name, std::string* error);
    // The same for a path given as is.
    static std::unique_ptr<OutputFile> create(const std::string& path, std::string* error) {
        return create(-100 /* AT_FDCWD */, path, error);
    }
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* stream() { return file_; }
    bool write(const void* data, size_t size);
    // Flushes it to the disk and renames it into place; false (why in *error)
    // when any write failed, the temporary file then removed.
    bool commit(std::string* error);

private:
    OutputFile(int dirFd, std::string name, std::string temp, std::FILE* file)
        : dirFd_(dirFd), name_(std::move(name)), temp_(std::move(temp)), file_(file) {}
    static std::unique_ptr<OutputFile> openInPlace(int dirFd, const std::string& name, std::string* error);
    void discard();

    int dirFd_;
    std::string name_, temp_;
    std::FILE* file_;
    bool inPlace_ = false;  // no temporary file: nothing to rename or fsync
    bool failed_ = false;
    int savedErrno_ = 0;
};
