#include "skin/skin_file.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QWidget>
#include <array>
#include <charconv>

#include "skin/png_button.h"

namespace quorvel {

namespace {

constexpr std::string_view MISSING_RECT = "1,1,1,1,x";
// The state canvas reaches this far past the client area on the right and at the bottom.
constexpr int STATE_CANVAS_SLACK = 100;
// Runs are merged into the region in batches, which keeps QRegion's banding work small.
constexpr int MASK_RUN_BATCH = 2000;
constexpr QRgb PURE_WHITE = 0xFFFFFF;

// Like scanf's "%d": optional blanks and sign, then digits; advances pos past what it used.
bool ScanInt(std::string_view text, size_t& pos, int& value) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const char* begin = text.data() + pos;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), parsed);
    if (ec != std::errc() || end == begin) return false;
    value = negative ? -parsed : parsed;
    pos = size_t(end - text.data());
    return true;
}

}  // namespace

SkinRect ParseSkinRect(std::string_view text) {
    SkinRect rect;
    std::array<int*, 4> fields{&rect.x, &rect.y, &rect.width, &rect.height};
    size_t pos = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') break;
            ++pos;
        }
        if (!ScanInt(text, pos, *fields[i])) break;
    }
    return rect;
}

SkinRect ReadSkinRect(const IniFile& skin, std::string_view section, std::string_view key) {
    return ParseSkinRect(skin.ReadString(section, key, MISSING_RECT));
}

SkinScreen ReadSkinScreen(const IniFile& skin, const QString& skinFolder) {
    const std::string main = skin.ReadString(SKIN_SECTION_SCREEN, "Main");
    const std::string mask = skin.ReadString(SKIN_SECTION_SCREEN, "Mask", main);
    return {skinFolder + QString::fromStdString(main), skinFolder + QString::fromStdString(mask)};
}

QImage LoadSkinPicture(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error =
                QStringLiteral("cannot open skin picture %1: %2").arg(path, file.errorString());
        return {};
    }
    // Decoding by content, not by name, so a picture saved under the wrong extension still loads.
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull() && error) {
        *error =
            QStringLiteral("cannot decode skin picture %1: %2").arg(path, reader.errorString());
    }
    return image;
}

QPixmap LoadStatePixmap(const QString& path, QSize clientSize, QString* error) {
    const QImage picture = LoadSkinPicture(path, error);
    if (picture.isNull()) return {};
    QPixmap canvas(clientSize + QSize(STATE_CANVAS_SLACK, STATE_CANVAS_SLACK));
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, picture);
    return canvas;
}

std::optional<StateImages> LoadButtonLooks(const QString& skinFolder,
                                           const std::array<std::string_view, 3>& names,
                                           QSize clientSize, QString* error) {
    std::array<QPixmap, 3> pictures;
    for (size_t i = 0; i < names.size(); ++i) {
        pictures[i] = LoadStatePixmap(
            skinFolder + QString::fromUtf8(names[i].data(), qsizetype(names[i].size())), clientSize,
            error);
        if (pictures[i].isNull()) return std::nullopt;
    }
    return StateImages{pictures[0], pictures[1], pictures[2], pictures[2], pictures[2]};
}

QRegion MaskRegion(const QImage& mask) {
    const QImage pixels = mask.convertToFormat(QImage::Format_RGB32);
    QRegion region;
    // Runs come in reading order, so adding each to the batch is a cheap append.
    QRegion batch;
    int batchRuns = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < pixels.width()) {
            while (x < pixels.width() && (row[x] & PURE_WHITE) == PURE_WHITE) ++x;
            const int start = x;
            while (x < pixels.width() && (row[x] & PURE_WHITE) != PURE_WHITE) ++x;
            if (x == start) continue;
            batch += QRect(start, y, x - start, 1);
            if (++batchRuns == MASK_RUN_BATCH) {
                region += batch;
                batch = QRegion();
                batchRuns = 0;
            }
        }
    }
    return region + batch;
}

SkinRect PlaceSkinned(CPngButton& button, const IniFile& skin, std::string_view section,
                      std::string_view key, const StateImages& images) {
    const SkinRect rect = ReadSkinRect(skin, section, key);
    button.setGeometry(rect.x, rect.y, rect.width, rect.height);
    button.SetImages(rect.x, rect.y, images);
    if (rect.IsUnused()) button.setEnabled(false);
    return rect;
}

SkinRect PlaceOnly(QWidget& control, const IniFile& skin, std::string_view section,
                   std::string_view key) {
    const SkinRect rect = ReadSkinRect(skin, section, key);
    control.setGeometry(rect.x, rect.y, rect.width, rect.height);
    return rect;
}

SkinRect PlaceWithFrame(CPngButton& button, const IniFile& skin, std::string_view section,
                        std::string_view key, std::string_view frameSection,
                        std::string_view frameKey, const QPixmap& image) {
    const SkinRect rect = PlaceOnly(button, skin, section, key);
    const SkinRect frame = ReadSkinRect(skin, frameSection, frameKey);
    button.SetImages(frame.x, frame.y, StateImages{image, image, image, image, image});
    return rect;
}

}  // namespace quorvel
