// exits.h: dxfhost's exit statuses, for every part of the program that decides one.
#ifndef DXFHOST_EXITS_H
#define DXFHOST_EXITS_H

namespace exits {

constexpr int kOk = 0;      // every drawing imported (or, with --check, would import)
constexpr int kNothing = 1; // the import command did nothing
constexpr int kFailed = 2;  // a drawing was refused or failed, or an output was not written
constexpr int kUsage = 64;  // the command line asks for something dxfhost cannot do

} // namespace exits

#endif
