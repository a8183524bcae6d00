#pragma once
// The lighting panel's writes: every change to the keyboard and to the user colour files runs
// as a job on the window's keyboard worker, behind whatever keyboard job is running (an Apply,
// an import), so the files and the keyboard take the panel's changes in the order the user
// made them. A write that fails is reported once, with a notice in the window.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "skin/skin_file.h"

class QLabel;
class QWidget;

namespace quorvel {

class KeyboardJobs;

// The result of a job whose user colour file could not be written; the keyboard was not
// touched.
constexpr int USER_FILE_NOT_WRITTEN = -301;

// What a write touched, and so what the panel shows again when it fails.
enum class LightingWriteScope {
    EFFECT,      // the keyboard's lighting record
    USER_MODES,  // a user colour file, and the keyboard's per-key colours from it
};

class LightingWriter : public QObject {
    Q_OBJECT
public:
    using Job = std::function<int()>;
    // The job's result, on the window's thread; before any failure is reported.
    using Done = std::function<void(int result)>;

    // notices: where failure and busy notices are shown (a child of window).
    LightingWriter(QWidget& window, SkinRect notices, KeyboardJobs& jobs);

    // Writes are refused while the keyboard is gone or no profile is known.
    void SetWritable(bool writable) { writable_ = writable; }
    bool Writable() const { return writable_; }

    // Queues job unless writes are refused (then false). latest: a job of the same name still
    // waiting is dropped, with its completion; this one goes to the back of the queue.
    bool Run(const QString& name, Job job, bool latest, LightingWriteScope scope, Done done = {});

    // A short notice over the panel that goes away by itself.
    void ShowNotice(const QString& text);

signals:
    // A write the keyboard or the file did not take, while the keyboard is still there.
    void Failed(int result, LightingWriteScope scope);

private:
    QWidget& window_;
    SkinRect place_;
    KeyboardJobs& jobs_;
    bool writable_ = true;
    QLabel* notice_ = nullptr;
    // Hides the notice; a new notice starts it again, so each stays up its full time.
    QTimer noticeTimer_;
};

}  // namespace quorvel
