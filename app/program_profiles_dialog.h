#pragma once
// "Program profiles": which on-board profile the keyboard takes while a program's window is in
// front. The dialog edits a copy of the rules file and writes it on OK; the program that
// switches picks the file up by itself. Where the desktop does not say which window is active,
// or the file cannot be read, the dialog says so and changes nothing.
#include <QString>
#include <string>

#include "model/app_rules.h"
#include "skin/base_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTreeWidget;

namespace quorvel {

namespace desktop {
class ActiveWindowSource;
}

struct StateImages;

class CProgramProfilesDlg : public CBaseDialog {
    Q_OBJECT
public:
    // source tells what the desktop supports and which windows are open; null stands for a
    // desktop that tells nothing.
    CProgramProfilesDlg(const QString& skinFile, const QString& skinFolder, std::string rulesPath,
                        const desktop::ActiveWindowSource* source, QWidget* parent);

    // Reads the rules file and opens the dialog modally. False when its pictures cannot be
    // loaded (error set).
    bool Open(QString* error = nullptr);
    // Closes the dialog as a Cancel when it is open.
    void CloseIfOpen();
    bool IsOpen() const { return open_; }

protected:
    void accept() override;
    void done(int result) override;

private:
    bool LoadLooks(QString* error);
    void PlaceControls(const StateImages& looks);
    void ApplyCaptions();
    void ReadRules();
    void ShowRules();
    void OfferOpenWindows();
    void AddRule();
    void RemoveRule();
    // Nothing can be changed: the desktop does not support switching, or the file is damaged.
    bool ReadOnly() const;

    std::string rulesPath_;
    const desktop::ActiveWindowSource* source_;
    AppRules rules_;
    // Why the rules file could not be read; empty when it could.
    QString damage_;
    bool looksLoaded_ = false;
    bool open_ = false;

    QLabel* title_ = nullptr;
    QLabel* support_ = nullptr;
    QCheckBox* enable_ = nullptr;
    QTreeWidget* table_ = nullptr;
    QComboBox* windows_ = nullptr;
    QLabel* defaultCaption_ = nullptr;
    QComboBox* defaultProfile_ = nullptr;
};

}  // namespace quorvel
