#include "toolkit/Graphics.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPalette>
#include <array>
#include <limits>

#include "toolkit/Win1252.h"

namespace {

QPalette::ColorRole SystemColorRole(uint32_t Index)
{
    switch (Index) {
    case 5: return QPalette::Base;
    case 8: return QPalette::Text;
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;
    case 16: return QPalette::Dark;
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;
    default: return QPalette::WindowText;
    }
}

int Red(TColor C) { return static_cast<int>(C & 0xFF); }
int Green(TColor C) { return static_cast<int>((C >> 8) & 0xFF); }
int Blue(TColor C) { return static_cast<int>((C >> 16) & 0xFF); }
TColor Rgb(int R, int G, int B)
{
    return static_cast<TColor>(R) | static_cast<TColor>(G) << 8 | static_cast<TColor>(B) << 16;
}

// A channel kept in Bits bits, widened again by repeating its high bits.
int Quantize(int Channel, int Bits)
{
    const int kept = Channel >> (8 - Bits);
    return (kept << (8 - Bits)) | (kept >> (2 * Bits - 8));
}

TColor NearestStandardColor(TColor Color)
{
    static constexpr std::array<TColor, 16> standard = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    TColor best = standard[0];
    int bestDistance = std::numeric_limits<int>::max();
    for (const TColor candidate : standard) {
        const int dr = Red(candidate) - Red(Color);
        const int dg = Green(candidate) - Green(Color);
        const int db = Blue(candidate) - Blue(Color);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

} // namespace

TColor ColorToRGB(TColor Color)
{
    if ((Color & clSystemColor) == 0)
        return Color & 0xFFFFFF;
    return FromQColor(QGuiApplication::palette().color(QPalette::Active, SystemColorRole(Color & 0xFF)));
}

QColor ToQColor(TColor Color)
{
    const TColor rgb = ColorToRGB(Color);
    return QColor(Red(rgb), Green(rgb), Blue(rgb));
}

TColor FromQColor(const QColor& Color)
{
    return Rgb(Color.red(), Color.green(), Color.blue());
}

TColor NearestColor(TColor Color, int Depth)
{
    const TColor rgb = Color & 0xFFFFFF;
    if (Depth >= 24)
        return rgb;
    if (Depth == 16)
        return Rgb(Quantize(Red(rgb), 5), Quantize(Green(rgb), 6), Quantize(Blue(rgb), 5));
    if (Depth == 15)
        return Rgb(Quantize(Red(rgb), 5), Quantize(Green(rgb), 5), Quantize(Blue(rgb), 5));
    return NearestStandardColor(rgb);
}

Qt::CursorShape ToQtCursor(TCursor Cursor)
{
    switch (Cursor) {
    case crHourGlass: return Qt::WaitCursor;
    case crSizeWE: return Qt::SplitHCursor;
    case crDefault: break;
    }
    return Qt::ArrowCursor;
}

TFont::TFont()
{
    const QFont font = QGuiApplication::font();
    name_ = FromScreen(font.family());
    size_ = font.pointSize() > 0 ? font.pointSize() : 8;
}

void TFont::SetName(const std::string& Value)
{
    if (Value == name_)
        return;
    name_ = Value;
    Changed();
}

void TFont::SetSize(int Value)
{
    if (Value == size_)
        return;
    size_ = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value)
{
    if (Value == style_)
        return;
    style_ = Value;
    Changed();
}

void TFont::SetColor(TColor Value)
{
    if (Value == color_)
        return;
    color_ = Value;
    Changed();
}

QFont TFont::Handle() const
{
    QFont font(ToScreen(name_));
    font.setPointSize(size_ > 0 ? size_ : 8);
    font.setBold(style_.Contains(TFontStyle::fsBold));
    font.setItalic(style_.Contains(TFontStyle::fsItalic));
    font.setUnderline(style_.Contains(TFontStyle::fsUnderline));
    font.setStrikeOut(style_.Contains(TFontStyle::fsStrikeOut));
    return font;
}

void TFont::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TFont*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    name_ = source->name_;
    size_ = source->size_;
    style_ = source->style_;
    color_ = source->color_;
    Changed();
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(this);
}

TCanvas::TCanvas() = default;

void TCanvas::FillRect(const TRect& Rect)
{
    if (painter_ == nullptr || brush_.Style == bsClear)
        return;
    painter_->fillRect(Rect.ToQRect(), ToQColor(brush_.Color));
}

int TCanvas::TextWidth(const std::string& Text) const
{
    const QFontMetrics metrics(font_.Handle(), painter_ != nullptr ? painter_->device() : nullptr);
    return metrics.horizontalAdvance(ToScreen(Text));
}

void TCanvas::ApplyFont() const
{
    painter_->setFont(font_.Handle());
    painter_->setPen(ToQColor(font_.Color()));
}

void TCanvas::TextOut(int X, int Y, const std::string& Text)
{
    if (painter_ == nullptr)
        return;
    ApplyFont();
    painter_->drawText(X, Y + painter_->fontMetrics().ascent(), ToScreen(Text));
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const std::string& Text)
{
    if (painter_ == nullptr)
        return;
    painter_->save();
    painter_->setClipRect(Rect.ToQRect(), Qt::IntersectClip);
    FillRect(Rect);
    TextOut(X, Y, Text);
    painter_->restore();
}

TColor TCanvas::NearestColor(TColor Color) const
{
    // The device actually drawn on: a widget painted into an image reports the image.
    const QPaintDevice* device = painter_ != nullptr && painter_->paintEngine() != nullptr
                                     ? painter_->paintEngine()->paintDevice()
                                     : nullptr;
    return ::NearestColor(Color, device != nullptr ? device->depth() : 32);
}
