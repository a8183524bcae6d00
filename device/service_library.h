#pragma once
// Loading the HID service library and looking up its entry points.
#include <string>
#include <vector>

#include "hidserv/hidserv.h"

namespace quorvel {

constexpr const char* SERVICE_LIBRARY_NAME = "libHidServ.so";
constexpr const char* VIRTUAL_SERVICE_LIBRARY_NAME = "libHidServVirtual.so";

struct ServiceEntryPoints {
#define QUORVEL_ENTRY_POINT_FIELD(name) decltype(&::name) name = nullptr;
    HIDSERV_ENTRY_POINTS(QUORVEL_ENTRY_POINT_FIELD)
#undef QUORVEL_ENTRY_POINT_FIELD
    // Optional: null when the library does not name plug-ins.
    HidServPlugIdentityFn PlugIdentity = nullptr;
};

enum class BindError {
    NONE,
    LIBRARY_MISSING,      // the library could not be loaded
    ENTRY_POINT_MISSING,  // one of the twelve names is not exported
    INIT_FAILED,          // Init(0) returned 0 or less
    ALREADY_BOUND,        // another DeviceLink of this process receives the notifications
};

struct BindResult {
    BindError error = BindError::NONE;
    std::string message;  // one line for stderr; empty on success

    bool Ok() const { return error == BindError::NONE; }
};

struct BindOptions {
    // Load libHidServVirtual.so instead of libHidServ.so (also chosen by the environment
    // variable QUORVEL_HIDSERV=virtual).
    bool virtualKeyboard = false;
    // Folder to load the library from; empty means the folder of the running executable.
    std::string libraryDir;
    // Bind returns once the attached keyboard's arrival has been handled, on the calling
    // thread: for a caller with no window to keep answering, which saves starting a thread.
    bool arrivalHere = false;
};

// Where the service libraries are looked for, in order, for an executable in exeDir:
//   1. exeDir itself: the build tree, where every program and library lands in bin/;
//   2. exeDir/../lib/quorvel: an installed tree (P/bin/quorvel, P/lib/quorvel/libHidServ.so).
// The libraries are private to the program, so they stay out of the linker's search path.
std::vector<std::string> ServiceLibraryDirs(const std::string& exeDir);

// The library file the options select, with its folder: the first folder of
// ServiceLibraryDirs that holds it (BindOptions::libraryDir alone when set), or the first
// folder when none does, so the error names where it was expected.
std::string ServiceLibraryPath(const BindOptions& options);

// Loads the library and looks up all twelve entry points, and PlugIdentity when it has it. The
// library stays loaded for the life of the process.
BindResult LoadServiceLibrary(const std::string& path, ServiceEntryPoints& entryPoints);

}  // namespace quorvel
