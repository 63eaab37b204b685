#pragma once
// The class library's drawing types on Qt: colours (RGB, or a system colour that the
// application's palette resolves), fonts that report their changes, brushes, rectangles
// with an exclusive right and bottom edge, and a canvas that draws on a QPainter.
#include <QColor>
#include <QFont>
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/Classes.h"
#include "toolkit/EnumSet.h"

class QPainter;

// 0x00BBGGRR, or clSystemColor with a system colour index in the low byte.
using TColor = uint32_t;

constexpr TColor clSystemColor = 0x80000000u;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;

// The RGB value a colour shows as; system colours come from the application's palette.
TColor ColorToRGB(TColor Color);
QColor ToQColor(TColor Color);
TColor FromQColor(const QColor& Color);

// The colour that a device of Depth bits per pixel shows for Color (an RGB value): a
// true-colour device shows every colour, a 16- or 15-bit one rounds each channel, a
// palette device (8 bits or less) takes the nearest of the 16 standard colours.
TColor NearestColor(TColor Color, int Depth);

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// Mouse cursors, numbered as the library numbers them.
enum TCursor : int16_t {
    crDefault = 0,
    crSizeWE = -9,
    crHourGlass = -11,
};
Qt::CursorShape ToQtCursor(TCursor Cursor);

enum class TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TEnumSet<TFontStyle, uint8_t>;

// A font: family, size in points, style and colour. Every change of a value fires
// OnChange once; an assignment fires it once for all values.
class TFont : public TPersistent {
public:
    // The library's new font: the application's font family and size, clWindowText.
    TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value);
    int Size() const { return size_; }
    void SetSize(int Value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);

    // The font as the device uses it: every value but the colour, as two fonts that
    // differ only in colour share one device font.
    QFont Handle() const;

    // Copies another font's values.
    void Assign(const TPersistent* Source) override;

    std::function<void(TObject* Sender)> OnChange;

protected:
    void Changed();

private:
    std::string name_;
    int size_;
    TFontStyles style_;
    TColor color_ = clWindowText;
};

enum TBrushStyle : uint8_t { bsSolid, bsClear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// A rectangle whose Right and Bottom lie just outside it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Drawing with a font and a brush on the painter of a paint in progress. Texts are
// 8-bit (Windows-1252); a text's position names the top left of its line.
class TCanvas {
public:
    TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The painter drawn on, null outside a paint.
    QPainter* Painter() const { return painter_; }
    void SetPainter(QPainter* Value) { painter_ = Value; }

    TFont* Font() { return &font_; }
    TBrush& Brush() { return brush_; }

    // Fills Rect with the brush (a clear brush fills nothing).
    void FillRect(const TRect& Rect);
    int TextWidth(const std::string& Text) const;
    // Writes Text at (X, Y) in the font's colour on a transparent background.
    void TextOut(int X, int Y, const std::string& Text);
    // Fills Rect with the brush and writes Text at (X, Y), clipped to Rect.
    void TextRect(const TRect& Rect, int X, int Y, const std::string& Text);
    // Color (RGB) as the device being painted on shows it.
    TColor NearestColor(TColor Color) const;

private:
    void ApplyFont() const;

    QPainter* painter_ = nullptr;
    TFont font_;
    TBrush brush_;
};
