#pragma once
// Where the program's own files live, and where the files it changes go: the same relative path
// under a per-user overlay folder, which takes every write and is read first. The program folder
// is only ever read, whoever runs the program: root could write there, but what it wrote would
// then be every user's, and a package would ship what a test run left behind.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct ProgramPaths {
    std::string programDir;
    std::string overlayDir;
};

// $XDG_DATA_HOME/Quorvel, or ~/.local/share/Quorvel when that is unset or not absolute.
std::string DefaultOverlayDir();

// $XDG_CONFIG_HOME/quorvel, or ~/.config/quorvel when that is unset or not absolute: settings
// the user chooses (program rules), as opposed to the data the program keeps.
std::string DefaultConfigDir();

// The program folder (Skins, Help, the language file) for an executable in exeDir:
//   1. exeDir itself when it holds a Skins folder: the build tree, or a copy kept in one folder;
//   2. exeDir/../share/quorvel when exeDir is a "bin" folder and that exists: an installed tree;
//   3. exeDir otherwise (the missing skin is then reported against it).
std::string ProgramDirFor(const std::string& exeDir);

// The folders for an executable in exeDir (through ProgramDirFor) and the default overlay; tests
// build the record themselves instead.
ProgramPaths DetectProgramPaths(const std::string& exeDir);

// The file to read for a path relative to the program folder: the overlay copy when there is
// one, the program folder's otherwise (a factory file, or a per-user file an older version wrote
// beside a program it could write to).
std::string ReadPathFor(const ProgramPaths& paths, const std::string& relative);

// The overlay file that takes writes for a relative path, with its folder created. With
// keepContents, a first write starts from a copy of the program folder's file, so that changing
// one value does not hide the others. Nullopt (and error) on failure.
std::optional<std::string> WritePathFor(const ProgramPaths& paths, const std::string& relative,
                                        bool keepContents, std::string* error = nullptr);

}  // namespace quorvel
