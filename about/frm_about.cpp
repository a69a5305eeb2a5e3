#include "about/frm_about.h"

#include <QColor>
#include <QDesktopServices>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <utility>

namespace ferulo::about {

namespace {

using gui::LayoutUnits;

// The layout, in units of the window's font (gui/layout_units.h). The window
// starts at the drawn size and grows where its texts need more room.
constexpr int kClientWidth = 205;
constexpr int kClientHeight = 137;
constexpr int kTextLeft = 22;
constexpr int kTextHeight = 10;
constexpr int kFirstLineTop = 5;
constexpr int kLineStep = 9;
constexpr int kRuleTop = 71;
constexpr int kRuleLeft = 3;
constexpr int kRuleRightMargin = 5;
constexpr int kNoticeTop = 73;
constexpr int kNoticeWidth = 126;
constexpr int kNoticeHeight = 59;
constexpr int kButtonLeft = 156;
constexpr int kButtonWidth = 45;
constexpr int kButtonHeight = 13;
constexpr int kButtonStep = 14;
constexpr int kRightMargin = 4;
constexpr int kBottomMargin = 5;

constexpr char kCaption[] = "About FERULO";
constexpr char kTitleLine[] = "FERULO - Create an ASP from an Access Database ";
// The system this copy of FERULO runs on, as the system names itself
// ("FOR Debian GNU/Linux 12 (bookworm)").
QString SystemsLine() {
  return QStringLiteral("FOR ") + QSysInfo::prettyProductName();
}
// About seven lines of its box in DejaVu Sans at 9 points; the box grows
// where a font needs more.
constexpr char kDisclaimer[] =
    "Warning: FERULO is provided as is, without warranty of any kind. Check every page it "
    "writes, and the rights of the database behind it, before it goes on a public server. You "
    "alone answer for the pages you publish and the data they show.";

// A label that sizes itself to its one line of text, like the title lines.
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QRect place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(place);
  label->adjustSize();
  return label;
}

// At least as large as drawn, and as large as its text needs.
QPushButton* AddButton(QWidget* parent, const char* name, const char* text, QRect place) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QLatin1String(name));
  place.setSize(place.size().expandedTo(button->sizeHint()));
  button->setGeometry(place);
  return button;
}

QWidget* AddRuleLine(QWidget* parent, const char* name, const QColor& color, QRect place) {
  auto* line = new QWidget(parent);
  line->setObjectName(QLatin1String(name));
  line->setAutoFillBackground(true);
  QPalette palette = line->palette();
  palette.setColor(QPalette::Window, color);
  line->setPalette(palette);
  line->setGeometry(place);
  return line;
}

void FillMissingDependencies(AboutDependencies& dependencies) {
  const AboutDependencies defaults;
  if (!dependencies.registry) {
    dependencies.registry = defaults.registry;
  }
  if (!dependencies.programs) {
    dependencies.programs = defaults.programs;
  }
  if (!dependencies.messages) {
    dependencies.messages = defaults.messages;
  }
}

}  // namespace

frmAbout::frmAbout(AboutDependencies dependencies)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      dependencies_(std::move(dependencies)) {
  FillMissingDependencies(dependencies_);
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QString::fromLatin1(kCaption));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  const LayoutUnits units(font());
  BuildLabels(units);
  BuildButtons(units);
  Form_Load();
  FitToText(units);
  BuildRule(units);
}

void frmAbout::BuildLabels(const LayoutUnits& units) {
  const auto line = [&](int row) {
    return units.Rect(kTextLeft, kFirstLineTop + row * kLineStep, 0, kTextHeight);
  };
  AddLabel(this, "lblPUT", QString::fromLatin1(kTitleLine), line(0));
  AddLabel(this, "Label1", SystemsLine(), line(1));
  lblVersion_ = AddLabel(this, "lblVersion", QString::fromLatin1(kVersionPlaceholder), line(2));

  // The notice keeps its width and wraps inside it.
  auto* disclaimer = new QLabel(QString::fromLatin1(kDisclaimer), this);
  disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
  disclaimer->setTextFormat(Qt::PlainText);
  disclaimer->setWordWrap(true);
  disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QRect box = units.Rect(kTextLeft, kNoticeTop, kNoticeWidth, kNoticeHeight);
  box.setHeight(std::max(box.height(), disclaimer->heightForWidth(box.width())));
  disclaimer->setGeometry(box);
}

// The window as drawn, grown where a text needs more room, and fixed at that.
void frmAbout::FitToText(const LayoutUnits& units) {
  QSize needed = units.Size(kClientWidth, kClientHeight);
  for (const QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    needed = needed.expandedTo(QSize(control->geometry().right() + 1 + units.X(kRightMargin),
                                     control->geometry().bottom() + 1 + units.Y(kBottomMargin)));
  }
  setFixedSize(needed);
}

// An etched rule across the window: a grey line over a wider white one, so
// that the white shows as a highlight just below the grey.
void frmAbout::BuildRule(const LayoutUnits& units) {
  const int top = units.Y(kRuleTop);
  const int left = units.X(kRuleLeft);
  const int right = width() - units.X(kRuleRightMargin);
  AddRuleLine(this, "Line1_0", QColor(255, 255, 255), QRect(left + 1, top, right - left - 1, 2));
  QWidget* grey =
      AddRuleLine(this, "Line1_1", QColor(128, 128, 128), QRect(left, top, right - left, 1));
  grey->raise();
}

void frmAbout::BuildButtons(const LayoutUnits& units) {
  const auto place = [&](int row) {
    return units.Rect(kButtonLeft, kNoticeTop + row * kButtonStep, kButtonWidth, kButtonHeight);
  };
  cmdOK_ = AddButton(this, "cmdOK", "Close(&C)", place(0));
  cmdIE_ = AddButton(this, "cmdIE", "Website(&W)", place(1));
  cmdSysInfo_ = AddButton(this, "cmdSysInfo", "SysInfo(&I)", place(2));

  // Enter activates the close button unless another button has the focus;
  // Esc closes the window from anywhere (QDialog's reject).
  cmdOK_->setDefault(true);
  setTabOrder(cmdOK_, cmdSysInfo_);
  setTabOrder(cmdSysInfo_, cmdIE_);
  cmdOK_->setFocus();

  connect(cmdOK_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
  connect(cmdIE_, &QPushButton::clicked, this, &frmAbout::cmdIE_Click);
  connect(cmdSysInfo_, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

// Any failure to build the version text leaves the placeholder in place.
void frmAbout::Form_Load() {
  if (const std::optional<QString> version = VersionText(dependencies_.version)) {
    lblVersion_->setText(*version);
    lblVersion_->adjustSize();
  }
}

void frmAbout::cmdOK_Click() {
  close();
}

// The address is handed over and forgotten: whether a browser opens is the
// desktop's business, and FERULO says nothing either way.
void frmAbout::cmdIE_Click() {
  static_cast<void>(QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebsiteAddress))));
}

void frmAbout::cmdSysInfo_Click() {
  StartSysInfo(*dependencies_.registry, *dependencies_.programs, *dependencies_.messages, this);
}

}  // namespace ferulo::about
