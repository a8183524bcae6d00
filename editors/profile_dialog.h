#pragma once
// The profile manager: the list of profile files with the one to make active, and the quick
// switch of the active on-board profile that the main window's profile buttons, its
// quick-switch menu and the dialog itself use.
//
// Every keyboard exchange goes through the host's keyboard job worker; the dialog's answers
// arrive on the window's thread when the job has ended. While a job runs, or while one of this
// dialog's questions is on screen, further switch requests are refused instead of queued.
#include <QString>
#include <functional>
#include <map>

#include "editors/editor_host.h"
#include "skin/base_dialog.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class CPngButton;
class DeviceLink;

// Dialog controls and the main window commands of the quick switch.
inline constexpr int PROFILE_CONTROL_LIST = 1007;
inline constexpr int PROFILE_CONTROL_ADD = 1010;
inline constexpr int PROFILE_CONTROL_LOAD = 1008;
inline constexpr int PROFILE_CONTROL_DELETE = 1011;
inline constexpr int PROFILE_CONTROL_APPLY = 1012;
inline constexpr int COMMAND_QUICK_SWITCH_DEFAULT = 9000;  // 9001 + k: on-board profile k
inline constexpr int COMMAND_QUICK_SWITCH_LAST = 9200;
inline constexpr int ON_BOARD_PROFILES = 3;

// Text shown when the keyboard refused to change its active profile.
inline constexpr const char* PROFILE_SWITCH_FAILED_TEXT = "EXTRA_PROFILE_SWITCH_FAILED";
// Text shown when Add could not write the new profile file; %s is the file.
inline constexpr const char* PROFILE_WRITE_FAILED_TEXT = "EXTRA_PROFILE_WRITE_FAILED";

// The file Add proposes: the PROFILE_NEW text as a name in the data folder, whichever separator
// the text starts with, and the built-in name when the language file gives none.
QString NewProfileProposal(const QString& dataFolder, const QString& text);

// What the profile manager needs of the main window beyond EditorHost.
class ProfileHost {
public:
    using Job = std::function<int(DeviceLink& link)>;
    using Done = std::function<void(int result)>;

    virtual ~ProfileHost() = default;
    // Runs job on the window's keyboard job worker; done follows on the window's thread.
    virtual void RunProfileJob(const QString& name, Job job, Done done) = 0;
    // The window's Apply; done(true) when the profile file and the keyboard took everything.
    virtual void ApplyChanges(std::function<void(bool applied)> done) = 0;
    // The window has changes not applied yet.
    virtual bool UnappliedChanges() const = 0;
    virtual bool KeyEditorOpen() const = 0;
    // Counts keyboard removals, so an answer that arrives after one is not acted on.
    virtual int KeyboardGoneCount() const = 0;
    // The active profile was switched or reloaded: profile buttons, menu, keys and lighting
    // follow it.
    virtual void ProfileChanged() = 0;
};

class CQuorvel_DlgProfile : public CBaseDialog {
    Q_OBJECT
public:
    CQuorvel_DlgProfile(const QString& skinFile, const QString& skinFolder, EditorHost& editorHost,
                        ProfileHost& profileHost, QWidget* parent);

    // Opens the dialog modally. False when its pictures cannot be loaded (error set).
    bool Open(QString* error = nullptr);
    // Closes the dialog as a Cancel when it is open.
    void CloseIfOpen();
    bool IsOpen() const { return openCount_ > 0; }
    bool Modified() const { return modified_; }

    // Makes on-board profile k (3 and above mean 0, a negative k does nothing) the active one,
    // asking about unapplied changes first. done(true) once switched; done(false) when refused,
    // declined or failed.
    void SwitchProfile(int k, std::function<void(bool switched)> done = {});
    // True while SwitchProfile waits for the user or the keyboard.
    bool Switching() const { return switching_; }

    // For tests: the rows as shown and the checked one (-1 none).
    int RowCount() const;
    QString RowName(int row) const;
    QString RowFolder(int row) const;
    int CheckedRow() const;
    void CheckRow(int row);
    void SelectRow(int row);
    void RunControl(int controlId);
    // The captions as shown: the title, then the buttons by control id.
    QString TitleText() const;
    QString ButtonText(int controlId) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    bool LoadLooks(QString* error);
    void PlaceControls();
    void ApplyCaptions();
    void Fill();
    void AppendRow(const QString& path);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void Add();
    void Load();
    void Delete();
    // The dialog's Apply; then closes the dialog when closeAfter is set.
    void Apply(bool closeAfter);
    void StoreRows() const;
    // Sets the active profile (on the worker) and follows the answer on screen.
    void SetActiveThenFinish(int k, bool reloadFile, std::function<void(bool)> done);

    EditorHost& editorHost_;
    ProfileHost& profileHost_;
    QTreeWidget* list_ = nullptr;
    QLabel* title_ = nullptr;
    std::map<int, CPngButton*> buttons_;
    bool looksLoaded_ = false;
    bool modified_ = false;
    bool switching_ = false;
    bool filling_ = false;
    int openCount_ = 0;
};

}  // namespace quorvel
