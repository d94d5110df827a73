#pragma once

// Internal to the platform layer: where libvips's code generator (orc) may put its files.

namespace orvane::CodeGeneratorFolder {

// libvips compiles some of its inner loops at run time. The code generator maps its code through a
// file that it makes (and removes at once) in $XDG_RUNTIME_DIR or, when that is unset or unusable,
// in $HOME: a file in the user's home folder that nobody asked for. Where XDG_RUNTIME_DIR is unset,
// this sets it to the private temporary folder, which the XDG rules allow in its place. Returns
// whether the generator has a folder to use; when it has none, libvips must run without it.
// Setting the environment is safe only while the process has one thread: called before main.
bool prepare();

} // namespace orvane::CodeGeneratorFolder
