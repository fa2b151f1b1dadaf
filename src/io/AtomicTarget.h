// SPDX-License-Identifier: MIT
// Where AtomicFile's bytes go, and how a finished file takes its target's
// place: the part of AtomicFile that differs by system. Each system has one
// implementation of Open (io/posix/AtomicTarget.cpp; the build picks it);
// standard output is shared (AtomicFile.cpp).
//
// Reasons are the system's own words for a failure ("No space left on
// device"); AtomicFile names the file around them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace moon {

class AtomicTarget {
public:
    // Something that is not a regular file is written in place; a regular
    // file or a name not yet taken gets a temporary file beside it, named to
    // ProcessSignals for as long as it exists. Null and a reason on failure.
    // keepExisting: a name that is taken fails with EEXIST's reason, and so
    // does Finish when a file took the name meanwhile.
    static std::unique_ptr<AtomicTarget> Open(const std::string& path, bool keepExisting,
                                              std::string& reason);

    // Removes the temporary file unless Finish succeeded.
    virtual ~AtomicTarget() = default;
    // All of data, or false and a reason.
    virtual bool Write(std::string_view data, std::string& reason) = 0;
    // Makes the data durable and puts the file in place; false and a reason
    // leaves the old file as it was.
    virtual bool Finish(std::string& reason) = 0;
};

}  // namespace moon
