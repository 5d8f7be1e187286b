// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "Controls.h"
#include "PromptBox.h"

namespace vorkan {
namespace {

QFont KnownFont(int pixels) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);
  return font;
}

// Each test measures captions afresh, into widths of its own.
class PromptLayoutTest : public ::testing::Test {
 protected:
  CaptionWidths kept_{};
};

// The figures are measured in DejaVu Sans. The dialog units are the average
// width of the 52 letters and the line height; margins, spacings and the
// button size are eighths and quarters of them, rounded.
TEST_F(PromptLayoutTest, DialogUnitsAndMeasuresFollowTheFont) {
  const struct {
    int pixels, x, y, horzMargin, vertMargin, horzSpacing, vertSpacing, buttonHeight, buttonSpacing,
        buttonWidth;
  } fonts[] = {
      {11, 6, 13, 12, 13, 15, 16, 23, 6, 75},
      {13, 8, 15, 16, 15, 20, 19, 26, 8, 100},
      {17, 10, 20, 20, 20, 25, 25, 35, 10, 125},
  };
  for (const auto& e : fonts) {
    SCOPED_TRACE(e.pixels);
    CaptionWidths fresh{};
    const PromptLayout l =
        LayOutPrompt(QStringLiteral("Short"), ButtonSet({PromptButton::OK}), KnownFont(e.pixels), 800, fresh);
    EXPECT_EQ(l.unitX, e.x);
    EXPECT_EQ(l.unitY, e.y);
    EXPECT_EQ(l.horzMargin, e.horzMargin);
    EXPECT_EQ(l.vertMargin, e.vertMargin);
    EXPECT_EQ(l.horzSpacing, e.horzSpacing);
    EXPECT_EQ(l.vertSpacing, e.vertSpacing);
    EXPECT_EQ(l.buttonHeight, e.buttonHeight);
    EXPECT_EQ(l.buttonSpacing, e.buttonSpacing);
    EXPECT_EQ(l.buttonWidth, e.buttonWidth) << "\"OK\" is narrower than 50 units";
  }
}

// At 13 pixels: margins 16 and 15, icon-to-text spacing 20, button rows 19
// below the text, buttons 100 by 26 and 8 apart.
TEST_F(PromptLayoutTest, ShortTextGivesTheButtonRowWidth) {
  const PromptButtons set = ButtonSet({PromptButton::Yes, PromptButton::No, PromptButton::Cancel});
  const PromptLayout l = LayOutPrompt(QStringLiteral("Go?"), set, KnownFont(13), 800, kept_);

  EXPECT_EQ(l.textWidth, 25);
  EXPECT_EQ(l.textHeight, 16) << "one line";
  EXPECT_EQ(l.iconTextWidth, 77);    // 25 + 32 + 20
  EXPECT_EQ(l.iconTextHeight, 32);   // the icon is the taller
  EXPECT_EQ(l.buttonRowWidth, 316);  // 3 * 100 + 2 * 8
  ASSERT_GT(l.buttonRowWidth, l.iconTextWidth);
  EXPECT_EQ(l.clientWidth, 348);   // the row and two margins
  EXPECT_EQ(l.clientHeight, 107);  // 32 + 26 + 19 + 2 * 15

  // Icon, message and buttons stand where the rules put them.
  EXPECT_EQ(l.iconRect, QRect(16, 15, 32, 32));
  EXPECT_EQ(l.textRect, QRect(68, 15, 25, 16));
  const struct {
    PromptButton button;
    QRect rect;
  } buttons[] = {{PromptButton::Yes, QRect(16, 66, 100, 26)},
                 {PromptButton::No, QRect(124, 66, 100, 26)},
                 {PromptButton::Cancel, QRect(232, 66, 100, 26)}};
  ASSERT_EQ(l.buttons.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(l.buttons[i].button, buttons[i].button) << i;
    EXPECT_EQ(l.buttons[i].rect, buttons[i].rect) << i;
  }
}

TEST_F(PromptLayoutTest, LongTextWrapsAtHalfTheScreenAndTheBoxGrows) {
  const QFont font = KnownFont(13);
  QString text;
  for (int i = 0; i < 40; ++i) text += QStringLiteral("образ%1 ").arg(i);
  ASSERT_GT(QFontMetrics(font).horizontalAdvance(text), 400 * 2);

  const PromptLayout l = LayOutPrompt(text, ButtonSet({PromptButton::OK}), font, 800, kept_);
  EXPECT_LE(l.textWidth, 400);
  EXPECT_EQ(l.textWidth, 390) << "lines are filled up to half the screen";
  EXPECT_EQ(l.textHeight, 112) << "seven lines";
  EXPECT_EQ(l.iconTextHeight, 112);
  EXPECT_EQ(l.clientWidth, 474);   // 390 + 32 + 20 + 2 * 16
  EXPECT_EQ(l.clientHeight, 187);  // 112 + 26 + 19 + 2 * 15
  ASSERT_EQ(l.buttons.size(), 1u);
  EXPECT_EQ(l.buttons[0].rect.left(), 187) << "the row is centred under the whole box";
  EXPECT_EQ(l.buttons[0].rect.top(), 146);  // 112 + 15 + 19

  // A narrower screen wraps narrower and taller.
  const PromptLayout narrow = LayOutPrompt(text, ButtonSet({PromptButton::OK}), font, 500, kept_);
  EXPECT_LE(narrow.textWidth, 250);
  EXPECT_EQ(narrow.textWidth, 239);
  EXPECT_EQ(narrow.textHeight, 160);
}

TEST_F(PromptLayoutTest, EveryLineBreakFormIsOneBreak) {
  EXPECT_EQ(PromptDisplayText("a\n\rb\r\nc\rd\ne"), QStringLiteral("a\nb\nc\nd\ne"));
  EXPECT_EQ(PromptDisplayText("a\n\n\rb"), QStringLiteral("a\n\nb"));
  EXPECT_EQ(PromptDisplayText("a\r\r\nb"), QStringLiteral("a\n\nb"));
  EXPECT_EQ(PromptDisplayText("C:\\!"), QStringLiteral("C:\\!"));
  EXPECT_EQ(PromptDisplayText("tab\there"), QStringLiteral("tab\there"));

  const PromptLayout three = LayOutPrompt(PromptDisplayText("Line one\n\rLine two\rLine three"),
                                          ButtonSet({PromptButton::OK}), KnownFont(13), 800, kept_);
  EXPECT_EQ(three.textHeight, 48) << "three lines of 16";
  EXPECT_EQ(three.textWidth, 66) << "the widest line, \"Line three\"";
}

TEST_F(PromptLayoutTest, TabsAreExpanded) {
  const QFont font = KnownFont(13);
  const PromptLayout plain =
      LayOutPrompt(QStringLiteral("ab"), ButtonSet({PromptButton::OK}), font, 800, kept_);
  const PromptLayout tabbed =
      LayOutPrompt(QStringLiteral("a\tb"), ButtonSet({PromptButton::OK}), font, 800, kept_);
  EXPECT_EQ(plain.textWidth, 17);
  EXPECT_EQ(tabbed.textWidth, 71) << "more than four spaces of 4 pixels wider";
}

// Captions first measured in a large font keep that width for the process;
// in a small font the kept width is wider than 50 dialog units (50 pixels at
// 8 pixels, 4 pixels a unit). At 40 pixels "Cancel" is 135 wide, "Retry" 106;
// a button is its caption and 8.
TEST_F(PromptLayoutTest, WideCaptionRaisesTheButtonWidthAndIsKeptForTheProcess) {
  const QFont large = KnownFont(40);
  const QFont small = KnownFont(8);
  const PromptButtons set = ButtonSet({PromptButton::Cancel, PromptButton::Retry, PromptButton::Ignore});
  LayOutPrompt(QStringLiteral("x"), set, large, 800, kept_);

  const PromptLayout l = LayOutPrompt(QStringLiteral("x"), set, small, 800, kept_);
  EXPECT_EQ(l.buttonWidth, 143);
  EXPECT_EQ(l.buttonRowWidth, 437);  // 3 * 143 + 2 * 4
  for (const PlacedButton& b : l.buttons) EXPECT_EQ(b.rect.width(), 143);

  // Only the buttons shown count: Retry alone takes its own kept width.
  const PromptLayout retry =
      LayOutPrompt(QStringLiteral("x"), ButtonSet({PromptButton::Retry}), small, 800, kept_);
  EXPECT_EQ(retry.buttonWidth, 114);

  // A button first shown now is measured in the small font: 50 units win
  // over "Yes" (13 and 8).
  const PromptLayout yes =
      LayOutPrompt(QStringLiteral("x"), ButtonSet({PromptButton::Yes}), small, 800, kept_);
  EXPECT_EQ(yes.buttonWidth, 50) << "the caption is measured without its \"&\"";

  // Forgotten, the small font measures afresh.
  kept_ = {};
  const PromptLayout fresh = LayOutPrompt(QStringLiteral("x"), set, small, 800, kept_);
  EXPECT_EQ(fresh.buttonWidth, 50);
}

TEST_F(PromptLayoutTest, TheBoxIsBuiltAsLaidOutAndCentredOnTheScreen) {
  const std::string text = "Диск C:\\ пуст, или ошибка чтения!";
  PromptBox form(text, PromptKind::Error, ButtonSet({PromptButton::Cancel, PromptButton::Retry}));
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const PromptLayout expected =
      LayOutPrompt(PromptDisplayText(text), ButtonSet({PromptButton::Cancel, PromptButton::Retry}),
                   PromptFont(), screen.width());
  const PromptLayout& l = form.Layout();
  EXPECT_EQ(l.clientWidth, expected.clientWidth);
  EXPECT_EQ(l.clientHeight, expected.clientHeight);
  EXPECT_EQ(form.size(), QSize(l.clientWidth, l.clientHeight));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "not resizable";

  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);

  ASSERT_NE(form.IconLabel(), nullptr);
  EXPECT_EQ(form.IconLabel()->geometry(), l.iconRect);
  EXPECT_EQ(form.IconLabel()->pixmap().size(), QSize(32, 32));
  QWidget* message = test::Control<QWidget>(form, "Message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->geometry(), l.textRect);

  const auto buttons = form.findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 2);
  ASSERT_NE(form.Button(PromptButton::Cancel), nullptr);
  ASSERT_NE(form.Button(PromptButton::Retry), nullptr);
  EXPECT_EQ(form.Button(PromptButton::OK), nullptr);
  EXPECT_EQ(form.Button(PromptButton::Cancel)->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(form.Button(PromptButton::Retry)->text(), QStringLiteral("&Retry"));
  EXPECT_EQ(form.Button(PromptButton::Cancel)->objectName(), QStringLiteral("Cancel"));
  EXPECT_EQ(form.Button(PromptButton::Cancel)->geometry(), l.buttons[0].rect);
  EXPECT_EQ(form.Button(PromptButton::Retry)->geometry(), l.buttons[1].rect);

  form.show();
  const QRect frame = form.frameGeometry();
  EXPECT_EQ(frame.left(), screen.width() / 2 - frame.width() / 2);
  EXPECT_EQ(frame.top(), screen.height() / 2 - frame.height() / 2);
  form.hide();
}

TEST_F(PromptLayoutTest, TitlesAndIconsByKind) {
  const struct {
    PromptKind kind;
    const char* title;
  } kinds[] = {{PromptKind::Warning, "Warning"},
               {PromptKind::Error, "Error"},
               {PromptKind::Information, "Information"},
               {PromptKind::Confirmation, "Confirm"}};
  QList<QImage> icons;
  for (const auto& k : kinds) {
    PromptBox form("text", k.kind, ButtonSet({PromptButton::OK}));
    EXPECT_EQ(form.windowTitle(), QLatin1String(k.title));
    EXPECT_FALSE(form.IconLabel()->pixmap().isNull());
    icons.append(form.IconLabel()->pixmap().toImage());
  }
  for (int i = 0; i < icons.size(); ++i)
    for (int j = i + 1; j < icons.size(); ++j) EXPECT_NE(icons[i], icons[j]) << i << " " << j;
}

}  // namespace
}  // namespace vorkan
