#pragma once
// The lighting panel against the virtual keyboard through the real service library: a window
// with its panel on a fresh virtual keyboard, and readers of the frames the panel sends.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QColorDialog>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <sstream>

#include "app/keyboard_jobs.h"
#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "app/message_boxes.h"
#include "base/atomic_write.h"
#include "base/texts.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/windowless_shell_port.h"
#include "model/profile_store.h"
#include "tests/app/window_test_support.h"
#include "tests/support/keyboard_dump.h"

namespace quorvel {

using testing::BinDir;
using testing::VirtualKeyboard;

constexpr int KEY_A = 0;  // key-list positions
constexpr int KEY_B = 1;
constexpr int MATRIX_A = 64;
constexpr int MATRIX_B = 90;

// One control frame the host sent.
struct Frame {
    std::vector<uint8_t> bytes;
    uint8_t Command() const { return bytes[3]; }
    int Address() const { return bytes[5] | (bytes[6] << 8); }
    std::vector<uint8_t> Data() const { return {bytes.begin() + 8, bytes.begin() + 8 + bytes[4]}; }
};

inline std::vector<Frame> Parse(const std::vector<std::string>& lines) {
    std::vector<Frame> frames;
    for (const std::string& line : lines) {
        std::istringstream in(line);
        Frame frame;
        unsigned value;
        while (in >> std::hex >> value) frame.bytes.push_back(static_cast<uint8_t>(value));
        if (frame.bytes.size() == 64) frames.push_back(frame);
    }
    return frames;
}

inline std::vector<Frame> Only(const std::vector<Frame>& frames, uint8_t command) {
    std::vector<Frame> out;
    for (const Frame& f : frames)
        if (f.Command() == command) out.push_back(f);
    return out;
}

class LightingPanelTest : public ::testing::Test {
protected:
    virtual VirtualKeyboard::Options KeyboardOptions() { return {}; }

    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(KeyboardOptions());
        paths_ = testing::UsePrivateFolders(dir_.filePath("program"), dir_.path());
        languageFile_ = dir_.filePath("program/Skins/language.ini").toStdString();
        IniFile(languageFile_).WriteString("LANGUAGE", "language", "1");
        SetCurrentLanguage(1);
        EnsureDataFolder();

        link_ = std::make_unique<DeviceLink>(shell_);
        BindOptions options;
        options.virtualKeyboard = true;
        options.libraryDir = BinDir();
        ASSERT_TRUE(link_->Bind(options).Ok());

        window_ = std::make_unique<QWidget>();
        window_->resize(1000, 480);
        skin_ = std::make_unique<IniFile>(dir_.filePath("program/Skins/Main.ini").toStdString());
        jobs_ = std::make_unique<KeyboardJobs>();
        LightingPanelHost host;
        host.setKeyTint = [this](int position, std::optional<QColor> colour, bool marked) {
            tints_[position] = colour ? FromQColor(*colour) : COLOUR_BLACK;
            marked_[position] = marked;
        };
        host.clearKeyTints = [this] {
            tints_.clear();
            marked_.clear();
        };
        host.resetAssignments = [this] {
            ++resets_;
            return !refuseReset_;
        };
        host.applyAll = [this] { ++applies_; };
        panel_ = new CLightingPanel(*window_, *skin_, dir_.filePath("program/Skins/"), paths_,
                                    *link_, *jobs_, host);
        window_->show();
        Reload(true);
    }

    void TearDown() override {
        SetMessageBoxesSuppressed(false);
        jobs_->Shutdown();
        window_.reset();
        jobs_.reset();
        link_.reset();
        testing::EndVirtualServiceLibrary();
        testing::LeavePrivateFolders();
        keyboard_.reset();
    }

    void Settle() {
        while (jobs_->Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    void Reload(bool userModes) {
        panel_->Reload(userModes);
        Settle();
    }
    size_t Mark() { return keyboard_->TraceMark(); }
    std::vector<Frame> Sent(size_t mark) { return Parse(keyboard_->FramesSentSince(mark)); }
    // Hex of count bytes at offset of a dumped area.
    std::string Area(const std::string& key, size_t offset, size_t count) {
        return testing::DumpHex(*keyboard_, key, offset, count);
    }
    template <typename T>
    T* Get(int id) {
        return static_cast<T*>(panel_->Control(id));
    }
    void ChooseMode(int id) {
        auto* list = Get<QComboBox>(LIGHTING_MODE_LIST);
        const int row = list->findData(id);
        ASSERT_GE(row, 0) << id;
        list->setCurrentIndex(row);
        Settle();
    }
    void Click(int id) {
        Get<QAbstractButton>(id)->click();
        Settle();
    }
    void OpenView() {
        panel_->ShowLightingView();
        Settle();
    }

    QTemporaryDir dir_;
    std::unique_ptr<VirtualKeyboard> keyboard_;
    ProgramPaths paths_;
    std::string languageFile_;
    WindowlessShellPort shell_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<IniFile> skin_;
    std::unique_ptr<KeyboardJobs> jobs_;
    CLightingPanel* panel_ = nullptr;
    std::map<int, Colour> tints_;
    std::map<int, bool> marked_;
    int resets_ = 0;
    bool refuseReset_ = false;
    int applies_ = 0;
};

}  // namespace quorvel
