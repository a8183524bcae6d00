// Help and F1 open the user guide of the interface's language from the help folder, and the
// English guide when the Chinese page is missing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QUrl>

#include "tests/app/window_test_support.h"

namespace quorvel {
namespace {

using namespace testing;

constexpr int COMMAND_HELP = 1122;

// Takes the pages the program asks the desktop to open.
class OpenedPages : public QObject {
    Q_OBJECT
public:
    QStringList pages;
public slots:
    void Open(const QUrl& url) { pages << url.toLocalFile(); }
};

class HelpPageTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(programDir_.filePath("Help")));
        for (const QString& page : {English(), Chinese()}) {
            QFile file(page);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        QDesktopServices::setUrlHandler("file", &opened_, "Open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler("file");
        WindowTest::TearDown();
    }
    QString English() const { return programDir_.filePath("Help/index.html"); }
    QString Chinese() const { return programDir_.filePath("Help/index.zh.html"); }
    // The page the window opened on F1, empty when it opened none or more than one.
    QString PressF1() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        return Opened([&] { QApplication::sendEvent(window_.get(), &press); });
    }
    QString PressHelp() {
        return Opened([&] { window_->RunCommand(COMMAND_HELP); });
    }
    QString Opened(const std::function<void()>& action) {
        opened_.pages.clear();
        action();
        return opened_.pages.size() == 1 ? opened_.pages.front() : QString();
    }

    OpenedPages opened_;
};

TEST_F(HelpPageTest, F1AndHelpOpenTheGuideOfTheLanguageAndFallBackToEnglish) {
    Start(true);
    EXPECT_EQ(PressF1(), English());
    EXPECT_EQ(PressHelp(), English());

    // The menu's language switch, and a start in Chinese from the language file.
    window_->RunCommand(COMMAND_CHINESE);
    EXPECT_EQ(PressF1(), Chinese());
    EXPECT_EQ(PressHelp(), Chinese());
    window_->RunCommand(COMMAND_ENGLISH);
    EXPECT_EQ(PressF1(), English());
    UseLanguage(0);
    EXPECT_EQ(PressF1(), Chinese());

    ASSERT_TRUE(QFile::remove(Chinese()));
    EXPECT_EQ(PressF1(), English());
    EXPECT_EQ(PressHelp(), English());
}

}  // namespace
}  // namespace quorvel

#include "help_page_test.moc"
