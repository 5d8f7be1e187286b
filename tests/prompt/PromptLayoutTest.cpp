#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "Controls.h"
#include "TMessageForm.h"

namespace vorkan {
namespace {

const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

int Nearest(int a, int b, int c) { return static_cast<int>(std::lround(static_cast<double>(a) * b / c)); }

QFont KnownFont(int pixels) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);
  return font;
}

// The figures as the box's rules give them, from the font's own metrics.
struct Expected {
  int x, y, horzMargin, vertMargin, horzSpacing, vertSpacing, buttonHeight, buttonSpacing, buttonWidth;
};

Expected ExpectedFor(const QFont& font) {
  const QFontMetrics fm(font);
  Expected e{};
  e.x = fm.horizontalAdvance(kLetters) / 52;
  e.y = fm.height();
  e.horzMargin = Nearest(8, e.x, 4);
  e.vertMargin = Nearest(8, e.y, 8);
  e.horzSpacing = Nearest(10, e.x, 4);
  e.vertSpacing = Nearest(10, e.y, 8);
  e.buttonHeight = Nearest(14, e.y, 8);
  e.buttonSpacing = Nearest(4, e.x, 4);
  e.buttonWidth = Nearest(50, e.x, 4);
  return e;
}

class PromptLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { ForgetCaptionWidths(); }
  void TearDown() override { ForgetCaptionWidths(); }
};

TEST_F(PromptLayoutTest, DialogUnitsAndMeasuresFollowTheFont) {
  for (int pixels : {11, 13, 17}) {
    SCOPED_TRACE(pixels);
    ForgetCaptionWidths();
    const QFont font = KnownFont(pixels);
    const Expected e = ExpectedFor(font);
    const PromptLayout l = LayOutPrompt(QStringLiteral("Short"), ButtonSet({PromptButton::OK}), font, 800);
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

TEST_F(PromptLayoutTest, ShortTextGivesTheButtonRowWidth) {
  const QFont font = KnownFont(13);
  const Expected e = ExpectedFor(font);
  const PromptButtons set = ButtonSet({PromptButton::Yes, PromptButton::No, PromptButton::Cancel});
  const PromptLayout l = LayOutPrompt(QStringLiteral("Go?"), set, font, 800);

  const QFontMetrics fm(font);
  const QRect one = fm.boundingRect(QRect(0, 0, 400, 0), Qt::TextWordWrap, QStringLiteral("Go?"));
  EXPECT_EQ(l.textWidth, one.width());
  EXPECT_EQ(l.textHeight, one.height());
  EXPECT_LT(l.textHeight, 2 * fm.lineSpacing()) << "one line";
  EXPECT_EQ(l.iconTextWidth, l.textWidth + 32 + e.horzSpacing);
  EXPECT_EQ(l.iconTextHeight, std::max(32, one.height()));
  EXPECT_EQ(l.buttonRowWidth, 3 * e.buttonWidth + 2 * e.buttonSpacing);
  ASSERT_GT(l.buttonRowWidth, l.iconTextWidth);
  EXPECT_EQ(l.clientWidth, l.buttonRowWidth + 2 * e.horzMargin);
  EXPECT_EQ(l.clientHeight, l.iconTextHeight + e.buttonHeight + e.vertSpacing + 2 * e.vertMargin);

  // Icon, message and buttons stand where the rules put them.
  EXPECT_EQ(l.iconRect, QRect(e.horzMargin, e.vertMargin, 32, 32));
  EXPECT_EQ(l.textRect, QRect(e.horzMargin + 32 + e.horzSpacing, e.vertMargin, l.textWidth, l.textHeight));
  ASSERT_EQ(l.buttons.size(), 3u);
  EXPECT_EQ(l.buttons[0].button, PromptButton::Yes);
  EXPECT_EQ(l.buttons[1].button, PromptButton::No);
  EXPECT_EQ(l.buttons[2].button, PromptButton::Cancel);
  const int top = l.iconTextHeight + e.vertMargin + e.vertSpacing;
  const int left = (l.clientWidth - l.buttonRowWidth) / 2;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(l.buttons[i].rect, QRect(left + i * (e.buttonWidth + e.buttonSpacing), top, e.buttonWidth,
                                       e.buttonHeight))
        << i;
  }
}

TEST_F(PromptLayoutTest, LongTextWrapsAtHalfTheScreenAndTheBoxGrows) {
  const QFont font = KnownFont(13);
  const QFontMetrics fm(font);
  const Expected e = ExpectedFor(font);
  QString text;
  for (int i = 0; i < 40; ++i) text += QStringLiteral("образ%1 ").arg(i);
  ASSERT_GT(fm.horizontalAdvance(text), 400 * 2);

  const PromptLayout l = LayOutPrompt(text, ButtonSet({PromptButton::OK}), font, 800);
  EXPECT_LE(l.textWidth, 400);
  EXPECT_GT(l.textWidth, 400 - fm.horizontalAdvance(QStringLiteral("образ00 ")) - 1)
      << "lines are filled up to half the screen";
  EXPECT_GE(l.textHeight, 3 * fm.lineSpacing()) << "several lines";
  EXPECT_EQ(l.iconTextHeight, l.textHeight);
  EXPECT_EQ(l.clientWidth, l.textWidth + 32 + e.horzSpacing + 2 * e.horzMargin);
  EXPECT_EQ(l.clientHeight, l.textHeight + e.buttonHeight + e.vertSpacing + 2 * e.vertMargin);
  ASSERT_EQ(l.buttons.size(), 1u);
  EXPECT_EQ(l.buttons[0].rect.left(), (l.clientWidth - e.buttonWidth) / 2)
      << "the row is centred under the whole box";
  EXPECT_EQ(l.buttons[0].rect.top(), l.textHeight + e.vertMargin + e.vertSpacing);

  // A narrower screen wraps narrower and taller.
  const PromptLayout narrow = LayOutPrompt(text, ButtonSet({PromptButton::OK}), font, 500);
  EXPECT_LE(narrow.textWidth, 250);
  EXPECT_GT(narrow.textHeight, l.textHeight);
}

TEST_F(PromptLayoutTest, EveryLineBreakFormIsOneBreak) {
  EXPECT_EQ(PromptDisplayText("a\n\rb\r\nc\rd\ne"), QStringLiteral("a\nb\nc\nd\ne"));
  EXPECT_EQ(PromptDisplayText("a\n\n\rb"), QStringLiteral("a\n\nb"));
  EXPECT_EQ(PromptDisplayText("a\r\r\nb"), QStringLiteral("a\n\nb"));
  EXPECT_EQ(PromptDisplayText("C:\\!"), QStringLiteral("C:\\!"));
  EXPECT_EQ(PromptDisplayText("tab\there"), QStringLiteral("tab\there"));

  const QFont font = KnownFont(13);
  const QFontMetrics fm(font);
  const PromptLayout three =
      LayOutPrompt(PromptDisplayText("Line one\n\rLine two\rLine three"), ButtonSet({PromptButton::OK}), font, 800);
  const QRect lines = fm.boundingRect(QRect(0, 0, 400, 0), Qt::TextWordWrap,
                                      QStringLiteral("Line one\nLine two\nLine three"));
  const QRect last = fm.boundingRect(QRect(0, 0, 400, 0), Qt::TextWordWrap, QStringLiteral("Line three"));
  EXPECT_EQ(three.textHeight, lines.height());
  EXPECT_GE(three.textHeight, 2 * fm.lineSpacing() + last.height() - 2) << "three lines";
  EXPECT_EQ(three.textWidth, last.width()) << "the widest line";
}

TEST_F(PromptLayoutTest, TabsAreExpanded) {
  const QFont font = KnownFont(13);
  const PromptLayout plain = LayOutPrompt(QStringLiteral("ab"), ButtonSet({PromptButton::OK}), font, 800);
  const PromptLayout tabbed = LayOutPrompt(QStringLiteral("a\tb"), ButtonSet({PromptButton::OK}), font, 800);
  const QFontMetrics fm(font);
  EXPECT_GE(tabbed.textWidth, plain.textWidth + 4 * fm.horizontalAdvance(QLatin1Char(' ')));
}

TEST_F(PromptLayoutTest, WideCaptionRaisesTheButtonWidthAndIsKeptForTheProcess) {
  // Captions first measured in a large font keep that width for the process;
  // in a small font the kept width is wider than 50 dialog units.
  const QFont large = KnownFont(40);
  const QFont small = KnownFont(8);
  const QFontMetrics lfm(large);
  const QFontMetrics sfm(small);
  const PromptButtons set = ButtonSet({PromptButton::Cancel, PromptButton::Retry, PromptButton::Ignore});
  LayOutPrompt(QStringLiteral("x"), set, large, 800);

  const Expected e = ExpectedFor(small);
  const int widest = std::max({lfm.horizontalAdvance(QStringLiteral("Cancel")),
                               lfm.horizontalAdvance(QStringLiteral("Retry")),
                               lfm.horizontalAdvance(QStringLiteral("Ignore"))}) +
                     8;
  ASSERT_GT(widest, e.buttonWidth);
  const PromptLayout l = LayOutPrompt(QStringLiteral("x"), set, small, 800);
  EXPECT_EQ(l.buttonWidth, widest);
  EXPECT_EQ(l.buttonRowWidth, 3 * widest + 2 * e.buttonSpacing);
  for (const PlacedButton& b : l.buttons) EXPECT_EQ(b.rect.width(), widest);

  // Only the buttons shown count: Retry alone takes its own kept width.
  const PromptLayout retry = LayOutPrompt(QStringLiteral("x"), ButtonSet({PromptButton::Retry}), small, 800);
  EXPECT_EQ(retry.buttonWidth, lfm.horizontalAdvance(QStringLiteral("Retry")) + 8);

  // A button first shown now is measured in the small font: 50 units win.
  const PromptLayout yes = LayOutPrompt(QStringLiteral("x"), ButtonSet({PromptButton::Yes}), small, 800);
  EXPECT_EQ(yes.buttonWidth, std::max(e.buttonWidth, sfm.horizontalAdvance(QStringLiteral("Yes")) + 8))
      << "the caption is measured without its \"&\"";

  // Forgotten, the small font measures afresh.
  ForgetCaptionWidths();
  const PromptLayout fresh = LayOutPrompt(QStringLiteral("x"), set, small, 800);
  EXPECT_EQ(fresh.buttonWidth, e.buttonWidth);
}

TEST_F(PromptLayoutTest, TheBoxIsBuiltAsLaidOutAndCentredOnTheScreen) {
  const std::string text = "Диск C:\\ пуст, или ошибка чтения!";
  TMessageForm form(text, PromptKind::Error, ButtonSet({PromptButton::Cancel, PromptButton::Retry}));
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const PromptLayout expected =
      LayOutPrompt(PromptDisplayText(text), ButtonSet({PromptButton::Cancel, PromptButton::Retry}), PromptFont(),
                   screen.width());
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
    TMessageForm form("text", k.kind, ButtonSet({PromptButton::OK}));
    EXPECT_EQ(form.windowTitle(), QLatin1String(k.title));
    EXPECT_FALSE(form.IconLabel()->pixmap().isNull());
    icons.append(form.IconLabel()->pixmap().toImage());
  }
  for (int i = 0; i < icons.size(); ++i)
    for (int j = i + 1; j < icons.size(); ++j) EXPECT_NE(icons[i], icons[j]) << i << " " << j;
}

}  // namespace
}  // namespace vorkan
