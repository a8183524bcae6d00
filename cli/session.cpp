#include "cli/session.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/executable_dir.h"
#include "base/ini_file.h"
#include "base/texts.h"
#include "cli/cli_error.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/profile_transfer.h"
#include "device/result_codes.h"
#include "model/profile_store.h"

namespace quorvel::cli {
namespace {

constexpr int PROGRESS_WIDTH = 30;

}  // namespace

Session::Session(GlobalOptions options)
    : options_(std::move(options)),
      paths_(DetectProgramPaths(ExecutableDir())),
      shell_(options_.yes, options_.quiet) {
    SetDataFolderOverride(options_.dataDir);
    if (options_.dryRun) UseDataFolderCopy();
    // The language file beside the program makes the keyboard's messages read as in the window;
    // without it the built-in texts stand.
    std::string language = ReadPathFor(paths_, "Skins/language.ini");
    if (std::filesystem::exists(language)) LoadTexts(IniFile(language));
}

Session::~Session() {
    link_.reset();
    if (!dryRunFolder_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(dryRunFolder_, error);
    }
}

void Session::UseDataFolderCopy() {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "quorvelctl-dry-run-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
        throw CliError{EXIT_FAILED, "--dry-run: cannot make a temporary folder"};
    dryRunFolder_ = folder;
    std::error_code error;
    const std::string data = DataFolder();
    if (fs::exists(data, error))
        fs::copy(data, folder + "/data", fs::copy_options::recursive, error);
    if (error) throw CliError{EXIT_FAILED, "--dry-run: cannot copy the data folder " + data};
    SetDataFolderOverride(folder + "/data");
}

DeviceLink& Session::Link() {
    if (!link_) {
        auto link = std::make_unique<DeviceLink>(shell_);
        link->SetTrustPicture(!options_.full);
        link->SetReadBack(!options_.noCheck);
        if (options_.dryRun) {
            link->PictureFile().SetSaving(false);
            link->SetDryRun([this](const CommandFrame& frame) {
                std::lock_guard lock(framesMutex_);
                frames_.push_back(frame);
            });
        }
        BindOptions bind;
        bind.virtualKeyboard = options_.virtualKeyboard;
        bind.arrivalHere = true;
        BindResult result = link->Bind(bind);
        if (!result.Ok()) throw CliError{EXIT_FAILED, result.message};
        link->Events().WaitUntilIdle();
        link_ = std::move(link);
    }
    return *link_;
}

DeviceLink& Session::Keyboard() {
    DeviceLink& link = Link();
    if (link.CountControlInterfaces() == 0) throw KeyboardError("", CMD_NO_DEVICE);
    return link;
}

int Session::ActiveProfile() {
    DeviceLink& link = Keyboard();
    int profile = GetActiveProfile(link);
    if (profile < 0 || profile >= ONBOARD_PROFILE_COUNT) {
        // Tell a keyboard that went away from one that does not answer.
        if (link.CountControlInterfaces() == 0) throw KeyboardError("", CMD_NO_DEVICE);
        throw CliError{EXIT_FAILED, "cannot read the active profile from the keyboard"};
    }
    return profile;
}

void Session::LoadFromKeyboard(const std::string& what, ProfileFileRefresh refresh) {
    DeviceLink& link = Keyboard();
    if (LoadActiveProfileFromKeyboard(link, WorkingSet(), refresh) != ProfileSource::KEYBOARD)
        ProfileReadFailed(what);
}

void Session::ProfileReadFailed(const std::string& what) {
    if (Keyboard().CountControlInterfaces() == 0) throw KeyboardError(what, CMD_NO_DEVICE);
    throw CliError{EXIT_FAILED, what + ": cannot read the profiles from the keyboard"};
}

void Session::Print(const Json& json, const std::string& text) {
    if (options_.json) {
        std::printf("%s\n", json.Dump().c_str());
    } else if (!text.empty()) {
        std::fputs(text.c_str(), stdout);
    }
    std::fflush(stdout);
}

void Session::Report(const Json& json, const std::string& text) {
    if (options_.json || !options_.quiet) Print(json, text);
}

Progress Session::ProgressBar(std::string label) {
    if (options_.quiet || !isatty(STDERR_FILENO)) return {};
    return [this, label](int done, int total) {
        if (total <= 0) return;
        int filled = done >= total ? PROGRESS_WIDTH : done * PROGRESS_WIDTH / total;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.resize(PROGRESS_WIDTH, ' ');
        std::fprintf(stderr, "\r%s [%s] %d/%d", label.c_str(), bar.c_str(), done, total);
        std::fflush(stderr);
        progressDrawn_ = true;
    };
}

void Session::EndProgress() {
    if (progressDrawn_) std::fputc('\n', stderr);
    progressDrawn_ = false;
}

void Session::PrintDryRun() {
    if (!options_.dryRun) return;
    std::lock_guard lock(framesMutex_);
    std::string text;
    for (const CommandFrame& frame : frames_) {
        char hex[4];
        for (size_t i = 0; i < frame.size(); ++i) {
            std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", frame[i]);
            text += hex;
        }
        text += "\n";
    }
    text += std::to_string(frames_.size()) + " frames\n";
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

CliError Session::WriteFailed(const std::string& what) {
    EndProgress();
    if (!link_ || link_->CountControlInterfaces() == 0 || shell_.DeviceGone())
        return CliError{EXIT_FAILED, what + ": the keyboard went away during the write (result " +
                                         std::to_string(CMD_NO_DEVICE) + ")"};
    return CliError{EXIT_FAILED, what + ": the keyboard did not take the write"};
}

}  // namespace quorvel::cli
