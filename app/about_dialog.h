#pragma once
// The about box: the program's description and copyright texts in the current language.
// Modeless; while one is open, further requests only bring it forward.
#include <QDialog>

#include "model/program_paths.h"

class QLabel;

namespace quorvel {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const ProgramPaths& paths, QWidget* parent);

    // Reads the texts again (they follow a language switch) and shows the box.
    void ShowTexts();

private:
    ProgramPaths paths_;
    QLabel* description_;
    QLabel* copyright_;
};

}  // namespace quorvel
