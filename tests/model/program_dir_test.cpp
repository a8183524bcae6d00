// Where the program finds its own folder from the executable's: the build tree keeps
// everything beside the executable, an installed tree keeps it in ../share/quorvel.
#include <gtest/gtest.h>

#include <filesystem>

#include "model/program_paths.h"
#include "tests/base/temp_dir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDirFor, BuildTreeInstalledTreeAndNeither) {
    testing::TempDir dir;
    const fs::path root = dir.Path();
    fs::create_directories(root / "build/bin/Skins");
    fs::create_directories(root / "prefix/bin");
    fs::create_directories(root / "prefix/share/quorvel/Skins");
    fs::create_directories(root / "loose/tools");
    fs::create_directories(root / "loose/share/quorvel");
    fs::create_directories(root / "bare/bin");

    EXPECT_EQ(ProgramDirFor((root / "build/bin").string()), (root / "build/bin").string());
    EXPECT_EQ(fs::path(ProgramDirFor((root / "prefix/bin").string())),
              root / "prefix/share/quorvel");
    EXPECT_EQ(fs::path(ProgramDirFor((root / "prefix/bin/").string())),
              root / "prefix/share/quorvel");
    // Only a bin folder looks beside itself for share/quorvel.
    EXPECT_EQ(ProgramDirFor((root / "loose/tools").string()), (root / "loose/tools").string());
    // Nothing found: the executable's folder, so a missing skin is reported against it.
    EXPECT_EQ(ProgramDirFor((root / "bare/bin").string()), (root / "bare/bin").string());
}

TEST(ProgramDirFor, ADetectedInstallReadsItsShareFolder) {
    testing::TempDir dir;
    const fs::path share = fs::path(dir.Path()) / "prefix/share/quorvel";
    fs::create_directories(share / "Skins");
    fs::create_directories(fs::path(dir.Path()) / "prefix/bin");
    ProgramPaths paths = DetectProgramPaths((fs::path(dir.Path()) / "prefix/bin").string());
    EXPECT_EQ(fs::path(paths.programDir), share);
    EXPECT_EQ(paths.overlayDir, DefaultOverlayDir());
}

}  // namespace
}  // namespace quorvel
