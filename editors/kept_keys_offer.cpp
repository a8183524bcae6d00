#include "editors/kept_keys_offer.h"

#include <QComboBox>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include "editors/composite_skin.h"
#include "editors/shortcuts_inhibitor.h"

namespace quorvel {
namespace {

constexpr ScanCode LEFT_WIN = 0x15B;
constexpr ScanCode RIGHT_WIN = 0x15C;
constexpr ScanCode PRINT_SCREEN = 0x137;

}  // namespace

KeptKeysOffer::KeptKeysOffer(QWidget& below, int height, Texts texts,
                             std::function<void(ScanCode)> chosen)
    : QWidget(below.parentWidget()), texts_(texts) {
    // Named after their texts: a dialog may hold more than one offer.
    setObjectName(texts.note);
    setGeometry(below.x(), below.y() + below.height() + GAP, below.width(), height);
    note_ = new QLabel(this);
    CompositeSkin::StyleLabel(*note_, 9.5);
    list_ = new QComboBox(this);
    list_->setObjectName(texts.prompt);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The list first, where the user looks after the key box; the note explains it.
    layout->addWidget(list_);
    layout->addWidget(note_);
    layout->addStretch();
    connect(list_, &QComboBox::activated, this, [this, chosen = std::move(chosen)](int row) {
        list_->setCurrentIndex(-1);
        if (row >= 0 && row < static_cast<int>(KeptKeys().size())) chosen(KeptKeys()[row]);
    });
    hide();
}

const std::vector<ScanCode>& KeptKeysOffer::KeptKeys() {
    static const std::vector<ScanCode> keys{LEFT_WIN, RIGHT_WIN, PRINT_SCREEN};
    return keys;
}

void KeptKeysOffer::ApplyCaptions(const std::function<QString(const char*)>& text) {
    QStringList names;
    list_->clear();
    for (ScanCode key : KeptKeys()) {
        names << QString::fromStdString(KeyName(key));
        list_->addItem(names.last());
    }
    note_->setText(text(texts_.note).replace("%s", names.join(", ")));
    list_->setPlaceholderText(text(texts_.prompt));
    list_->setCurrentIndex(-1);
}

void KeptKeysOffer::ShowWithPage(bool pageShown) {
    setVisible(pageShown && !ShortcutsInhibitor::DesktopPassesItsKeys());
}

}  // namespace quorvel
