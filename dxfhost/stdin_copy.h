// stdin_copy.h: standard input as a drawing file.
//
// The module reads its drawing through the host's file services, which open a path; a drawing
// named "-" is therefore read from standard input whole into a file of a private temporary
// folder first. The folder goes when the copy does.
#ifndef DXFHOST_STDIN_COPY_H
#define DXFHOST_STDIN_COPY_H

#include <string>

namespace stdin_copy {

class Copy {
  public:
    Copy() = default;
    ~Copy();
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    // Reads standard input to its end into the copy. False, with the reason in *err.
    bool make(std::string* err);
    const std::string& path() const { return path_; }          // the copy's file
    static constexpr const char* kName = "standard-input.dxf"; // its file name

  private:
    std::string dir_;
    std::string path_;
};

} // namespace stdin_copy

#endif
