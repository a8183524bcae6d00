#include "tests/app/window_test_support.h"

#include <dlfcn.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include "app/lighting_panel.h"
#include "app/message_boxes.h"
#include "app/qt_texts.h"
#include "base/ini_file.h"
#include "base/texts.h"
#include "editors/file_dialogs.h"
#include "model/profile_store.h"
#include "model/working_set.h"
#include "tests/support/keyboard_dump.h"

namespace quorvel::testing {

void EndVirtualServiceLibrary() {
    const std::string library = BinDir() + "/libHidServVirtual.so";
    if (void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        if (auto end = reinterpret_cast<int (*)()>(dlsym(handle, "End"))) end();
        dlclose(handle);
    }
}

void WindowTest::SetUp() {
    paths_ = UsePrivateFolders(programDir_.path(), runtimeDir_.path(), {"Skins", "autostart"});
    UseLanguage(1);
    *ProfileWorkingSet::Instance().Lock() = FreshWorkingSetData();
    SetMessageBoxesSuppressed(true);
    TakeShownMessageKeys();
}

void WindowTest::TearDown() {
    if (window_) window_->ExitApplication();
    window_.reset();
    // Qt's own texts back to English for the tests that follow in this process.
    UseLanguage(1);
    EndVirtualServiceLibrary();
    *ProfileWorkingSet::Instance().Lock() = FreshWorkingSetData();
    SetMessageBoxesSuppressed(false);
    SetNextYesNoAnswer(std::nullopt);
    SetFileDialogHook({});
    LeavePrivateFolders();
}

QMenu* WindowTest::OpenMainMenu() {
    window_->ShowMainMenu();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "MAIN_MENU" && widget->isVisible())
            return static_cast<QMenu*>(widget);
    return nullptr;
}

void WindowTest::UseLanguage(int language) {
    const std::string file = LanguageFile().toStdString();
    IniFile(file).WriteString("LANGUAGE", "language", std::to_string(language));
    SetCurrentLanguage(language);
    LoadTexts(IniFile(file));
    UseQtTextsOf(IniFile(file));
}

CQuorvelDlg& WindowTest::Launch(bool startSwitch, bool shown) {
    StartOptions options;
    options.virtualKeyboard = true;
    options.start = startSwitch;
    auto area = std::make_unique<TestNotificationArea>(notificationArea_);
    area_ = area.get();
    window_ = std::make_unique<CQuorvelDlg>(paths_, options, std::move(area));
    EXPECT_FALSE(window_->SettleInstance());
    QString error;
    EXPECT_TRUE(window_->Initialise(&error)) << error.toStdString();
    if (shown) window_->show();
    EXPECT_TRUE(WaitFor([&] { return window_->IsReady(); }));
    return *window_;
}

CQuorvelDlg& WindowTest::Start(bool shown) {
    Launch(true, shown);
    EXPECT_TRUE(WaitFor([&] {
        return window_->TrayIconId() == ICON_KEYBOARD && window_->ActiveProfile() >= 0 &&
               QFile::exists(QString::fromStdString(ProfileFilePath(0)));
    }));
    Settle();
    return *window_;
}

void WindowTest::Settle() {
    EXPECT_TRUE(WaitFor([&] {
        return !window_->Jobs().Busy() && !window_->ProfileManager().Switching() &&
               !window_->ApplyRunning() &&
               (window_->Lighting() == nullptr || !window_->Lighting()->ShowPending());
    }));
    QCoreApplication::processEvents();
}

std::string WindowTest::Area(const std::string& key, size_t offset, size_t count) const {
    return DumpHex(keyboard_, key, offset, count);
}

}  // namespace quorvel::testing
