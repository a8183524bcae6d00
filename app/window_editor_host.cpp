// What the main window offers the editors: redraws of the keyboard map, Apply, and facts about
// the keyboard they must respect.
#include "app/keyboard_map.h"
#include "app/quorvel_dlg.h"
#include "device/device_events.h"

namespace quorvel {

void CQuorvelDlg::RefreshKey(int entryIndex) {
    if (map_ != nullptr) map_->RefreshKey(entryIndex);
}

void CQuorvelDlg::RefreshAllKeys() {
    if (map_ != nullptr) map_->RefreshAll();
}

QRect CQuorvelDlg::KeyRectOnScreen(uint32_t controlId) const {
    const CPngButton* button = map_ != nullptr ? map_->ButtonForControl(int(controlId)) : nullptr;
    if (button == nullptr) return {};
    return QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
}

int CQuorvelDlg::ActiveProfile() const {
    return link_.CurrentProfileCache();
}

bool CQuorvelDlg::KeyboardBusy() const {
    return jobs_.Busy();
}

int CQuorvelDlg::MacroCapacity() const {
    return const_cast<DeviceLink&>(link_).Events().MacroCapacity();
}

void CQuorvelDlg::OpenKeyEditor(const SelectedKey& key) {
    if (map_ != nullptr) map_->ShowKeyEdited(key.controlId, true);
    if (keyEditor_ != nullptr) keyEditor_->Run(key);
    if (map_ != nullptr) map_->ShowKeyEdited(key.controlId, false);
}

}  // namespace quorvel
