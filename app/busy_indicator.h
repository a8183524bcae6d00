#pragma once
// The busy animation beside the report-rate buttons (control 1177): shown while a keyboard job
// runs, ten frames every 50 ms with a blank eleventh, and the share of a long write done.
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <array>

#include "base/ini_file.h"

namespace quorvel {

inline constexpr int BUSY_FRAME_COUNT = 10;
inline constexpr int BUSY_FRAME_PERIOD_MS = 50;
// The indicator stays a moment after the job so that even a short one is seen.
inline constexpr int BUSY_HIDE_DELAY_MS = 100;

class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    // Placed at the skin's CONTROL_JDTStatic; the frames are jdt1.bmp-jdt10.bmp of the skin
    // folder (a missing frame shows as blank).
    BusyIndicator(QWidget& window, const IniFile& skin, const QString& skinFolder);

    void Start();
    void Stop();
    // Frames done out of total of the running write; total 0 clears it.
    void SetProgress(int done, int total);

    bool Running() const { return running_; }
    int Frame() const { return frame_; }
    int Percent() const { return percent_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextFrame();

    std::array<QPixmap, BUSY_FRAME_COUNT> frames_;
    QTimer animation_;
    QTimer hideLater_;
    bool running_ = false;
    // 0-10; the frame shown is frame_ - 1 after a tick, nothing at 0.
    int frame_ = 0;
    int shownFrame_ = -1;
    int percent_ = -1;
};

}  // namespace quorvel
