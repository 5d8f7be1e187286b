// SPDX-License-Identifier: GPL-3.0-or-later
// ProgressGauge: a drawn progress gauge that shows how far a value has advanced
// between a minimum and a maximum, as a filled figure with the whole
// percentage written over it.
//
// The gauge is a plain child widget that paints every pixel of its rectangle
// (opaque). Each paint composes the picture off screen and copies it to the
// widget in one step. Setters that change what is shown repaint at once
// (synchronously, when the gauge is visible), so the bar follows Progress even
// while a long job runs on the interface thread without returning to the
// event loop.
#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstdint>

#include "ColorValue.h"
#include "EInvalidOperation.h"

namespace vorkan {

enum GaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

enum TBorderStyle { bsNone, bsSingle };

// trunc(x * 100 / z), or 0 when z is 0. The quotient is taken in 80-bit
// extended floating point with 100 exact, so no product overflows and the
// result is the exact truncated quotient whenever |x| <= 2^56 (which covers
// every 32-bit value and every difference of two 32-bit values).
std::int64_t PercentOfRange(std::int64_t x, std::int64_t z);

// trunc(size * (p * 0.01)) in 80-bit extended floating point, p * 0.01 first,
// with 0.01 held as the nearest extended value (just below 0.01). So the
// result is one less than size * p / 100 for some p below 100 where that is a
// whole number (size 20 at 5 % gives 0); it is exact at 100 % and for sizes
// prime to 100.
std::int64_t ScaleByPercent(std::int64_t p, std::int64_t size);

// An off-screen bitmap for the gauge's overlays.
class TBltBitmap : public QImage {
 public:
  TBltBitmap() = default;
  // Takes the template's width and height, then fills the whole bitmap with
  // a solid brush of the window-frame system colour.
  void MakeLike(const QImage& templ);
};

class ProgressGauge : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int Progress READ Progress WRITE SetProgress)
  Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
  Q_PROPERTY(uint ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(uint BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(int PercentComplete READ PercentComplete)

 public:
  // MinValue 0, MaxValue 100, Progress 0, gkHorizontalBar, ShowText on,
  // bsSingle, ForeColor black, BackColor white, 100 x 100 pixels; Color and
  // font follow the parent.
  explicit ProgressGauge(QWidget* parent = nullptr);

  std::int32_t MinValue() const { return FMinValue; }
  std::int32_t MaxValue() const { return FMaxValue; }
  std::int32_t Progress() const { return FProgress; }
  GaugeKind Kind() const { return FKind; }
  bool ShowText() const { return FShowText; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  TColor ForeColor() const { return FForeColor; }
  TColor BackColor() const { return FBackColor; }
  // The colour around the pie and needle figures: the parent's background
  // until SetColor is called.
  TColor Color() const;
  bool ParentColor() const { return FParentColor; }

  // Throws EInvalidOperation ("Value must be between %d and %d") when v lies
  // above MaxValue, unless loading; pulls Progress up to v.
  void SetMinValue(std::int32_t v);
  // Throws EInvalidOperation when v lies below MinValue, unless loading;
  // pulls Progress down to v.
  void SetMaxValue(std::int32_t v);
  // Clamps v into MinValue..MaxValue; repaints only when the whole
  // percentage changes. Every change of Progress reaches assistive tools as
  // a value change (only while one listens).
  void SetProgress(std::int32_t v);
  void SetKind(GaugeKind kind);
  void SetShowText(bool show);
  void SetBorderStyle(TBorderStyle style);
  void SetForeColor(TColor color);
  void SetBackColor(TColor color);
  void SetColor(TColor color);

  // The whole percentage of Progress in MinValue..MaxValue, truncated
  // (99.9 % reads 99); 0 for an empty range.
  std::int32_t PercentComplete() const;

  // While the gauge's description is being loaded, an inverted range is
  // accepted without error.
  void BeginLoading();
  void EndLoading();
  bool Loading() const { return FLoading; }

  // The picture one paint puts on the widget, composed the same way.
  QImage RenderImage() const;
  // Paints run so far (each paint event).
  int PaintCount() const { return FPaintCount; }
  // Immediate repaints the setters asked for so far, whether or not the
  // gauge was visible to take them.
  int RepaintCount() const { return FRepaintCount; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void RepaintNow();
  // Tells assistive tools that Progress moved.
  void ValueChanged();

  std::int32_t FMinValue = 0;
  std::int32_t FMaxValue = 100;
  std::int32_t FProgress = 0;
  GaugeKind FKind = gkHorizontalBar;
  bool FShowText = true;
  TBorderStyle FBorderStyle = bsSingle;
  TColor FForeColor = clBlack;
  TColor FBackColor = clWhite;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  bool FLoading = false;
  int FPaintCount = 0;
  int FRepaintCount = 0;
};

// The gauge of the progress window: a 358 x 18 horizontal bar without
// border, in the menu-highlight colour on button face, with the percentage
// in "MS Sans Serif" at 11 pixels, bold (fontconfig substitutes a near face
// where that one is missing), range 0..100 and Progress 100, so that it shows
// a full bar with "100%" until a job sets its range. The caller places it.
void ConfigureProgressGauge(ProgressGauge& gauge);

}  // namespace vorkan
