// The crash log: the text of the error that ended the program, written to
// "log.txt" in the current folder and opened with the shell.
#pragma once

#include <string>

namespace tool::zentil {

// Writes text (code page 932) to "log.txt" in the current folder, truncating
// it first and adding nothing, finds the file again by listing the current
// folder for "log.txt" and opens that path with the shell's verb "open". When
// the file cannot be written (a folder of that name in the way, a read-only
// folder, a full disk) the shell is not called and the text goes to standard
// error instead, as it also does when the shell cannot open the file.
// Returns -1, the entry function's result after a crash.
int write_crash_log(const std::string& text);

}  // namespace tool::zentil
