#include "res/skingen/pictures.h"

#include <QImage>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>

#include "res/skingen/draw.h"
#include "res/skingen/layout.h"
#include "skin/skin_names.h"

namespace quorvel::skingen {

namespace {

constexpr int JPEG_QUALITY = 90;

QString Name(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

bool Save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    const bool jpeg = name.endsWith(".jpg", Qt::CaseInsensitive);
    if (image.save(path, nullptr, jpeg ? JPEG_QUALITY : -1)) return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
    return false;
}

QImage Canvas(QSize size, const QColor& fill) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// Pure white outside the rounded window, black inside; drawn without smoothing so no pixel
// of the edge comes out almost white.
QImage Mask(QSize size) {
    QImage mask = Canvas(size, Qt::white);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 14, 14);
    return mask;
}

void DrawControls(QPainter& p, const DialogSkin& skin, State state) {
    for (const SkinControl& control : skin.controls) DrawControl(p, control, state);
}

// --- main window ---------------------------------------------------------------------------

QImage MainPicture(const DialogSkin& skin, State state) {
    QImage image = Canvas(skin.size, palette::WINDOW);
    QPainter p(&image);
    Prepare(p);
    DrawWindowBody(p, skin.size, "QUORVEL", "Nolvane G7");
    DrawCard(p, QRectF(MainPlateRect()));
    DrawCard(p, QRectF(MainPanelRect()), QColor(0x18, 0x1b, 0x21));
    p.setPen(QPen(palette::PLATE_EDGE, 1));
    p.drawLine(QPointF(20, 410.5), QPointF(skin.size.width() - 20, 410.5));
    DrawControls(p, skin, state);
    return image;
}

void DrawArrow(QPainter& p, const QRectF& cell, bool up, const QColor& colour) {
    const QPointF c = cell.center();
    QPainterPath path;
    const double dy = up ? -1 : 1;
    path.moveTo(c + QPointF(0, dy * 7));
    path.lineTo(c + QPointF(-5, -dy * 1));
    path.lineTo(c + QPointF(-1.8, -dy * 1));
    path.lineTo(c + QPointF(-1.8, -dy * 7));
    path.lineTo(c + QPointF(1.8, -dy * 7));
    path.lineTo(c + QPointF(1.8, -dy * 1));
    path.lineTo(c + QPointF(5, -dy * 1));
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

QImage ArrowPicture() {
    QImage image = Canvas(ArrowPictureSize(), palette::PLATE);
    QPainter p(&image);
    Prepare(p);
    for (const SkinFrame& frame : ArrowFrames()) {
        DrawArrow(p, QRectF(frame.cell), frame.up,
                  frame.frame == 1 ? palette::ACCENT : palette::TEXT_DIM);
    }
    return image;
}

// --- lighting panel ------------------------------------------------------------------------

const QColor PANEL_FILL(0x18, 0x1b, 0x21);

QImage Slider(QSize size, int position, const QColor& from, const QColor& to) {
    QImage image = Canvas(size, PANEL_FILL);
    QPainter p(&image);
    Prepare(p);
    const double margin = 9;
    const double step = (size.width() - 2 * margin) / (quorvel::skin_names::SLIDER_POSITIONS - 1);
    const double y = size.height() / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2c, 0x31, 0x3b));
    p.drawRoundedRect(QRectF(margin - 2, y - 2, size.width() - 2 * margin + 4, 4), 2, 2);
    const double knobX = margin + position * step;
    QLinearGradient fill(QPointF(margin, 0), QPointF(size.width() - margin, 0));
    fill.setColorAt(0, from);
    fill.setColorAt(1, to);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(margin - 2, y - 2, knobX - margin + 4, 4), 2, 2);
    for (int i = 0; i < quorvel::skin_names::SLIDER_POSITIONS; ++i) {
        p.setBrush(i <= position ? QColor(0xe8, 0xf9, 0xff) : QColor(0x4a, 0x50, 0x5c));
        p.drawEllipse(QPointF(margin + i * step, y), 1.6, 1.6);
    }
    p.setBrush(Qt::white);
    p.setPen(QPen(to, 2));
    p.drawEllipse(QPointF(knobX, y), 6.5, 6.5);
    return image;
}

QImage Toggle(QSize size, bool on, bool rainbow) {
    QImage image = Canvas(size, PANEL_FILL);
    QPainter p(&image);
    Prepare(p);
    const QRectF track = QRectF(QPointF(0, 0), size).adjusted(4, 5, -4, -5);
    const double r = track.height() / 2;
    if (on && rainbow) {
        QLinearGradient fill(track.topLeft(), track.topRight());
        const QColor stops[] = {QColor(255, 60, 60), QColor(255, 200, 0), QColor(40, 220, 90),
                                QColor(0, 180, 255), QColor(180, 60, 255)};
        for (int i = 0; i < 5; ++i) fill.setColorAt(i / 4.0, stops[i]);
        p.setBrush(fill);
    } else {
        p.setBrush(on ? palette::ACCENT_DEEP : QColor(0x2c, 0x31, 0x3b));
    }
    p.setPen(QPen(on ? palette::ACCENT : QColor(0x3a, 0x40, 0x4d), 1));
    p.drawRoundedRect(track, r, r);
    const QPointF knob(on ? track.right() - r : track.left() + r, track.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(on ? Qt::white : QColor(0x8a, 0x92, 0xa0));
    p.drawEllipse(knob, r - 3, r - 3);
    return image;
}

enum class Glyph { Left, Right, Up, Down, Outward, Inward, Brush, Bucket };

void DrawGlyph(QPainter& p, const QRectF& box, Glyph glyph, const QColor& colour) {
    const QPointF c = box.center();
    QPen pen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const auto arrow = [&](QPointF from, QPointF to) {
        p.drawLine(from, to);
        const QPointF d = (to - from) / std::hypot((to - from).x(), (to - from).y());
        const QPointF n(-d.y(), d.x());
        p.drawLine(to, to - d * 5 + n * 4);
        p.drawLine(to, to - d * 5 - n * 4);
    };
    switch (glyph) {
        case Glyph::Left:
            arrow(c + QPointF(8, 0), c + QPointF(-9, 0));
            break;
        case Glyph::Right:
            arrow(c + QPointF(-8, 0), c + QPointF(9, 0));
            break;
        case Glyph::Up:
            arrow(c + QPointF(0, 7), c + QPointF(0, -8));
            break;
        case Glyph::Down:
            arrow(c + QPointF(0, -7), c + QPointF(0, 8));
            break;
        case Glyph::Outward:
            arrow(c + QPointF(-2, 0), c + QPointF(-11, 0));
            arrow(c + QPointF(2, 0), c + QPointF(11, 0));
            break;
        case Glyph::Inward:
            arrow(c + QPointF(-12, 0), c + QPointF(-3, 0));
            arrow(c + QPointF(12, 0), c + QPointF(3, 0));
            break;
        case Glyph::Brush: {
            p.drawLine(c + QPointF(7, -8), c + QPointF(-1, 2));
            QPainterPath tip;
            tip.moveTo(c + QPointF(-1, 1));
            tip.quadTo(c + QPointF(-9, 2), c + QPointF(-8, 9));
            tip.quadTo(c + QPointF(-2, 8), c + QPointF(1, 3));
            p.setBrush(colour);
            p.drawPath(tip);
            break;
        }
        case Glyph::Bucket: {
            QPainterPath body;
            body.moveTo(c + QPointF(-8, -3));
            body.lineTo(c + QPointF(0, -9));
            body.lineTo(c + QPointF(7, -1));
            body.lineTo(c + QPointF(-1, 6));
            body.closeSubpath();
            p.drawPath(body);
            p.setBrush(colour);
            p.drawEllipse(c + QPointF(9, 6), 2.5, 3);
            break;
        }
    }
}

QImage PictureButton(QSize size, bool selected, Glyph glyph) {
    QImage image = Canvas(size, PANEL_FILL);
    QPainter p(&image);
    Prepare(p);
    DrawButton(p, QRect(QPoint(0, 0), size), selected ? State::Down : State::Normal, 6);
    DrawGlyph(p, QRectF(QPointF(0, 0), size), glyph,
              selected ? QColor(0x06, 0x1a, 0x22) : palette::TEXT);
    return image;
}

QImage PresetSwatch(QSize size, const QColor& colour, bool selected) {
    QImage image = Canvas(size, PANEL_FILL);
    QPainter p(&image);
    Prepare(p);
    const QRectF outer = QRectF(QPointF(0, 0), size).adjusted(1, 1, -1, -1);
    p.setPen(QPen(selected ? palette::ACCENT : QColor(0x3a, 0x40, 0x4d), selected ? 2 : 1));
    p.setBrush(QColor(0x22, 0x26, 0x2e));
    p.drawRoundedRect(outer, 6, 6);
    QLinearGradient fill(outer.topLeft(), outer.bottomLeft());
    fill.setColorAt(0, colour.lighter(125));
    fill.setColorAt(1, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(outer.adjusted(4, 4, -4, -4), 4, 4);
    if (selected) {
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF c = outer.center();
        p.drawLine(c + QPointF(-6, 0), c + QPointF(-2, 4));
        p.drawLine(c + QPointF(-2, 4), c + QPointF(6, -4));
    }
    return image;
}

QImage BusyFrame(QSize size, int frame) {
    QImage image = Canvas(size, palette::WINDOW);
    QPainter p(&image);
    Prepare(p);
    constexpr int SEGMENTS = quorvel::skin_names::BUSY_FRAMES;
    const double width = (size.width() - (SEGMENTS - 1) * 3.0) / SEGMENTS;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < SEGMENTS; ++i) {
        // A short comet runs left to right: the head bright, two fading segments behind it.
        const int behind = (frame - 1 - i + SEGMENTS) % SEGMENTS;
        QColor colour(0x2a, 0x2f, 0x39);
        if (behind <= 2) {
            colour = palette::ACCENT;
            colour.setAlpha(255 - behind * 80);
        }
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(i * (width + 3), 2, width, size.height() - 4), 2, 2);
    }
    return image;
}

// --- composite and profile dialogs ---------------------------------------------------------

QImage DialogPicture(const DialogSkin& skin, const QString& title, const QString& subtitle,
                     State state, const QRect& page,
                     const std::function<void(QPainter&)>& pageArt) {
    QImage image = Canvas(skin.size, palette::WINDOW);
    QPainter p(&image);
    Prepare(p);
    DrawWindowBody(p, skin.size, title, subtitle);
    if (!page.isNull()) DrawCard(p, QRectF(ArtRect(page)));
    if (pageArt) pageArt(p);
    // A page background shows only the page: the page's own buttons come and go with the page.
    const bool pagePicture = !page.isNull() && pageArt;
    for (const SkinControl& control : skin.controls) {
        if (pagePicture && page.contains(control.rect)) continue;
        DrawControl(p, control, state);
    }
    return image;
}

QRect ControlRect(const DialogSkin& skin, const QString& key) {
    for (const SkinControl& control : skin.controls) {
        if (control.key == key) return control.rect;
    }
    return {};
}

// A recessed well behind a control the program draws itself.
void DrawWell(QPainter& p, const QRect& controlRect) {
    p.setPen(QPen(QColor(0x33, 0x38, 0x44), 1));
    p.setBrush(QColor(0x12, 0x14, 0x19));
    p.drawRoundedRect(QRectF(controlRect.translated(-1, -1)).adjusted(-3.5, -3.5, 3.5, 3.5), 6, 6);
}

}  // namespace

bool WriteMainPictures(const QDir& folder) {
    namespace n = quorvel::skin_names;
    const DialogSkin skin = MainSkin();
    const struct {
        std::string_view name;
        State state;
    } pictures[] = {{n::MAIN_NORMAL, State::Normal},    {n::MAIN_OVER, State::Over},
                    {n::MAIN_DOWN, State::Down},        {n::MAIN_DISABLE, State::Disable},
                    {n::MAIN_COLOR0, State::ColourOff}, {n::MAIN_COLOR1, State::ColourOn}};
    bool ok = true;
    for (const auto& picture : pictures)
        ok &= Save(MainPicture(skin, picture.state), folder, Name(picture.name));
    ok &= Save(Mask(skin.size), folder, skin.mask);
    ok &= Save(ArrowPicture(), folder, Name(n::ARROW));
    return ok;
}

bool WriteLightingPictures(const QDir& folder) {
    namespace n = quorvel::skin_names;
    const DialogSkin skin = MainSkin();
    const auto size = [&](const char* key) { return ControlRect(skin, key).size(); };
    bool ok = true;
    for (int i = 0; i < n::SLIDER_POSITIONS; ++i) {
        ok &= Save(Slider(size("CONTROL_LightSlider"), i, QColor(0x55, 0x5c, 0x68), Qt::white),
                   folder, QStringLiteral("%1.bmp").arg(n::BRIGHTNESS_SLIDER_FIRST + i));
        ok &= Save(Slider(size("CONTROL_SpeedSlider"), i, palette::ACCENT_DEEP, palette::ACCENT),
                   folder, QStringLiteral("%1.bmp").arg(n::SPEED_SLIDER_FIRST + i));
    }
    ok &=
        Save(Toggle(size("CONTROL_DengStaPic"), true, false), folder, Name(n::LIGHTING_SWITCH_ON));
    ok &= Save(Toggle(size("CONTROL_DengStaPic"), false, false), folder,
               Name(n::LIGHTING_SWITCH_OFF));
    ok &= Save(Toggle(size("CONTROL_FYSJSStaPic"), true, true), folder, Name(n::COLOURFUL_ON));
    ok &= Save(Toggle(size("CONTROL_FYSJSStaPic"), false, true), folder, Name(n::COLOURFUL_OFF));

    const QSize picture = size("CONTROL_BLFXLStaPic");
    const struct {
        const std::array<n::PicturePair, 2>& pairs;
        Glyph first;
        Glyph second;
    } directionSets[] = {{n::DIRECTION_SIDEWAYS, Glyph::Left, Glyph::Right},
                         {n::DIRECTION_VERTICAL, Glyph::Up, Glyph::Down},
                         {n::DIRECTION_SPREAD, Glyph::Outward, Glyph::Inward},
                         {n::TOOLS, Glyph::Brush, Glyph::Bucket}};
    for (const auto& set : directionSets) {
        const Glyph glyphs[] = {set.first, set.second};
        for (int i = 0; i < 2; ++i) {
            ok &= Save(PictureButton(picture, true, glyphs[i]), folder, Name(set.pairs[i].down));
            ok &= Save(PictureButton(picture, false, glyphs[i]), folder, Name(set.pairs[i].up));
        }
    }
    const QColor presetColours[] = {QColor(0xf0, 0x32, 0x3c), QColor(0xff, 0xd0, 0x1e),
                                    QColor(0x2e, 0xd0, 0x5a), QColor(0x1e, 0x78, 0xff)};
    for (size_t i = 0; i < n::PRESETS.size(); ++i) {
        ok &= Save(PresetSwatch(size("CONTROL_HONGPIC"), presetColours[i], true), folder,
                   Name(n::PRESETS[i].down));
        ok &= Save(PresetSwatch(size("CONTROL_HONGPIC"), presetColours[i], false), folder,
                   Name(n::PRESETS[i].up));
    }
    for (int frame = 1; frame <= n::BUSY_FRAMES; ++frame) {
        ok &= Save(BusyFrame(size("CONTROL_JDTStatic"), frame), folder,
                   QStringLiteral("jdt%1.bmp").arg(frame));
    }
    return ok;
}

bool WriteCompositePictures(const QDir& folder) {
    namespace n = quorvel::skin_names;
    const DialogSkin skin = CompositeSkin();
    // CONTROL_TITLE carries the title's icon; the program writes the caption beside it.
    const QString title;
    const QString subtitle;
    const QRect page = CompositePageRect();
    const struct {
        std::string_view name;
        State state;
    } states[] = {{n::COMPOSITE_NORMAL, State::Normal},
                  {n::COMPOSITE_OVER, State::Over},
                  {n::COMPOSITE_DOWN, State::Down},
                  {n::COMPOSITE_DISABLE, State::Disable}};
    bool ok = true;
    for (const auto& s : states) {
        ok &= Save(DialogPicture(skin, title, subtitle, s.state, page, {}), folder, Name(s.name));
    }
    // Page backgrounds: the wells behind the page's own boxes and lists.
    const std::vector<QStringList> wells = {
        {"FUNC_KEY_INPUT"},
        {"FUNC_MACRO_LIST", "FUNC_MACRO_LIST2", "FUNC_MACRO_CYCLES"},
        {"FUNC_MEDIA_SELECT"},
        {"FUNC_FUNCTION_SELECT"}};
    for (size_t i = 0; i < n::COMPOSITE_PAGES.size(); ++i) {
        const auto art = [&](QPainter& p) {
            for (const QString& key : wells[i]) DrawWell(p, ControlRect(skin, key));
        };
        ok &= Save(DialogPicture(skin, title, subtitle, State::Normal, page, art), folder,
                   Name(n::COMPOSITE_PAGES[i]));
    }
    ok &= Save(Mask(skin.size), folder, skin.mask);
    return ok;
}

namespace {

// A dialog whose buttons share three state pictures and whose lists sit in wells.
bool WriteButtonDialogPictures(const QDir& folder, const DialogSkin& skin,
                               const std::array<std::string_view, 3>& names,
                               const QStringList& wells) {
    const auto art = [&](QPainter& p) {
        for (const QString& key : wells) DrawWell(p, ControlRect(skin, key));
    };
    const State states[] = {State::Normal, State::Over, State::Down};
    bool ok = true;
    for (size_t i = 0; i < names.size(); ++i)
        ok &= Save(DialogPicture(skin, {}, {}, states[i], {}, art), folder, Name(names[i]));
    ok &= Save(Mask(skin.size), folder, skin.mask);
    return ok;
}

}  // namespace

bool WriteProfilePictures(const QDir& folder) {
    namespace n = quorvel::skin_names;
    return WriteButtonDialogPictures(folder, ProfileSkin(),
                                     {n::PROFILE_NORMAL, n::PROFILE_OVER, n::PROFILE_DOWN},
                                     {"PROGRAM_LIST"});
}

bool WriteProgramProfilesPictures(const QDir& folder) {
    namespace n = quorvel::skin_names;
    return WriteButtonDialogPictures(
        folder, ProgramProfilesSkin(),
        {n::PROGRAM_PROFILES_NORMAL, n::PROGRAM_PROFILES_OVER, n::PROGRAM_PROFILES_DOWN},
        {"RULES_TABLE", "OPEN_WINDOWS", "DEFAULT_PROFILE"});
}

}  // namespace quorvel::skingen
