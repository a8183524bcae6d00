#include "tests/app/guide_pictures.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace quorvel::testing {
namespace {

constexpr char FIXED_HOME[] = "/tmp/quorvel-guide/home";
constexpr char FIXED_HOME_LOCK[] = "/tmp/quorvel-guide.lock";
constexpr int SETTLE_TIMEOUT_MS = 10000;

}  // namespace

void GuidePictureTest::TearDown() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QDir().mkpath(QUORVEL_GUIDE_PICTURE_LISTS);
    QFile list(QString("%1/%2.%3")
                   .arg(QUORVEL_GUIDE_PICTURE_LISTS, test->test_suite_name(), test->name()));
    // A test that failed lists nothing, so the check does not take its pictures for made.
    if (!HasFailure() && list.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        list.write(written_.join('\n').toUtf8() + "\n");
    } else {
        list.remove();
    }
    EndToEndTest::TearDown();
    if (homeLock_ >= 0) {
        QFile::remove(FIXED_HOME);
        close(homeLock_);
        homeLock_ = -1;
    }
}

bool GuidePictureTest::HomeByFixedName() {
    homeLock_ = open(FIXED_HOME_LOCK, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (homeLock_ < 0 || flock(homeLock_, LOCK_EX) != 0) return false;
    QDir().mkpath(QFileInfo(FIXED_HOME).path());
    // A link left by a test that was killed goes; the lock says no running test uses it.
    QFile::remove(FIXED_HOME);
    if (!QFile::link(dir_.filePath("home"), FIXED_HOME)) return false;
    env_.insert("HOME", FIXED_HOME);
    return true;
}

void GuidePictureTest::Picture(const QString& name, int language, QRect area) {
    ParkPointer();
    if (area.isEmpty()) area = ShownArea();
    const QString relative = QString("%1/%2.png").arg(language == 1 ? "en" : "zh", name);
    const QString file = QString(QUORVEL_GUIDE_PICTURES) + "/" + relative;
    QDir().mkpath(QFileInfo(file).path());
    EXPECT_TRUE(SettledScreenshotOf(area, file))
        << relative.toStdString() << ": the windows never stood still";
    written_ << relative;
}

bool GuidePictureTest::SettledScreenshotOf(const QRect& area, const QString& file) const {
    // A picture taken while something moves (an animation, a window still painting) would
    // differ from run to run; two cuts in a row that agree are a screen at rest.
    const QString cutFile = dir_.filePath("cut.png");
    QElapsedTimer clock;
    clock.start();
    QByteArray previous;
    while (clock.elapsed() < SETTLE_TIMEOUT_MS) {
        if (!ScreenshotOf(area, cutFile)) return false;
        QFile cut(cutFile);
        if (!cut.open(QIODevice::ReadOnly)) return false;
        const QByteArray bytes = cut.readAll();
        if (bytes == previous) {
            QFile::remove(file);
            return QFile::rename(cutFile, file);
        }
        previous = bytes;
    }
    return false;
}

QRect GuidePictureTest::MainArea() const {
    const QStringList shown = ShownWindows();
    return shown.isEmpty() ? QRect() : WindowPlace(shown.first());
}

QRect GuidePictureTest::TopArea() const {
    const QStringList shown = ShownWindows();
    return shown.isEmpty() ? QRect() : WindowPlace(shown.last());
}

QRect GuidePictureTest::ControlsArea(std::initializer_list<const char*> keys, int margin) const {
    QRect area;
    for (const char* key : keys) area |= SkinPlace("Main.ini", key);
    return area.translated(MainArea().topLeft()).adjusted(-margin, -margin, margin, margin);
}

bool GuidePictureTest::Await(int windows) {
    ParkPointer();
    const bool shown = WaitUntil([&] { return ShownWindows().size() == windows; }, 10000);
    QThread::msleep(300);
    return shown;
}

bool GuidePictureTest::ClickOnScreen(QPoint at) {
    const bool clicked = !RunTool("xdotool", {"mousemove", QString::number(at.x()),
                                              QString::number(at.y()), "click", "1"})
                              .isNull();
    QThread::msleep(500);
    return clicked;
}

bool GuidePictureTest::ClickDialog(const char* key) {
    return ClickInTopWindow("Composite.ini", key);
}

}  // namespace quorvel::testing
