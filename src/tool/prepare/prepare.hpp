// The working folder the program starts in: its first contents, written once.
#pragma once

#include <string>

namespace tool::prepare {

// Makes FOLDER (and its missing parents) with everything the program reads at
// start: "system.txt" holding an empty store, "extension.hpp", "skin/skin.jpg",
// "wallpaper" with one picture and "root" with sample folders and files. The
// contents are written into a fresh folder beside FOLDER, which is renamed to
// FOLDER only when complete, so an interrupted run leaves no half-made folder.
// An existing FOLDER is never written to: that, like any failure, returns
// false with a one-line message in *error.
bool make_working_folder(const std::string& folder, std::string* error);

// The exact bytes of the prepared text files the program reads.
extern const char system_text[];     // "system.txt": an empty tag store
extern const char extension_text[];  // "extension.hpp", code page 932

}  // namespace tool::prepare
