// Whole files in and out for the tool's commands: a file read whole, and an
// output file that appears only when it was written completely.
#pragma once

#include <stdexcept>
#include <string>

#include "core/FileLayer.h"

// A failure that ends the command: its message is shown, exit status 1.
struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The whole file; throws ToolError naming the file when it cannot be read.
std::string readWholeFile(const std::string& path);

// An output file written beside its final path and put in its place only by
// commit(); a file not committed is removed, so no partial output is left.
class OutputFile {
public:
    explicit OutputFile(std::string path);  // throws ToolError when it cannot be created
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* get() const { return file_.get(); }
    // The file written so far, complete, for a step (signing) that changes
    // it before it is put in place; throws ToolError when it cannot be.
    const std::string& close();
    void commit();  // throws ToolError when the file cannot be completed or put in place

private:
    std::string path_, partial_;
    FilePtr file_;
    bool committed_ = false;
};
