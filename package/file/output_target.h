// What a program may put its output in place of, checked before any work is done: never one of
// the input's own files, never a folder, symbolic link, FIFO or device; an existing regular file
// only when the caller allows it; and the name must fit the folder, which must take a new file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "result.h"

enum class TargetCode {
    kNoName,          // the path ends in no file name
    kNameTooLong,     // the file name is longer than the folder takes
    kInputFile,       // the path is one of the input's files
    kSymbolicLink,    // the path is a symbolic link
    kFolder,          // the path is a folder
    kExists,          // a file is there and replacing it was not allowed
    kNotRegularFile,  // a FIFO, device or socket is there
    kNoFolder,        // the folder does not exist, is no folder, or takes no new file
};

using TargetStatus = Status<TargetCode>;

// How the messages name things, as the caller's command line does.
struct TargetWording {
    std::string role = "OUTPUT";                 // the argument naming the path
    std::string inputName = "the input itself";  // what an input's file is
    std::string forceOption = "--force";         // the option that allows replacing; "" for none
};

struct TargetRules {
    std::vector<std::string> inputFiles;  // files the input is read from, never replaced
    bool replaceRegularFile = false;      // an existing regular file may be replaced
    TargetWording wording;
};

// Fails with a one-line message. Symbolic links in the folder part are followed; the last
// component is never followed.
TargetStatus CheckOutputTarget(const std::string& path, const TargetRules& rules);

// The longest file name (in bytes) the folder of `path` takes.
std::size_t FileNameLimit(const std::string& path);
