#include "about/frm_about.h"

#include <QColor>
#include <QDesktopServices>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QUrl>

#include <optional>
#include <utility>

namespace ferulo::about {

namespace {

// The window's measures are kept in twips, as the layout was drawn; at the
// usual 96 dots per inch a pixel is 15 twips.
constexpr int kTwipsPerPixel = 15;

constexpr int Pixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QRect TwipsRect(int left, int top, int width, int height) {
  return {Pixels(left), Pixels(top), Pixels(width), Pixels(height)};
}

constexpr int kClientWidthTwips = 5685;
constexpr int kClientHeightTwips = 3600;

constexpr char kCaption[] = "About FERULO";
constexpr char kTitleLine[] = "FERULO - Create an ASP from an Access Database ";
constexpr char kSystemsLine[] = "FOR Windows 95/98/NT/2000/XP";
// Short enough to fit its box in common desktop fonts (seven lines of DejaVu
// Sans at 9 points).
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

QPushButton* AddButton(QWidget* parent, const char* name, const char* text, QRect place) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QLatin1String(name));
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
  setFixedSize(Pixels(kClientWidthTwips), Pixels(kClientHeightTwips));

  BuildLabels();
  BuildRule();
  BuildButtons();
  Form_Load();
}

void frmAbout::BuildLabels() {
  AddLabel(this, "lblPUT", QString::fromLatin1(kTitleLine), TwipsRect(615, 120, 3735, 195));
  AddLabel(this, "Label1", QString::fromLatin1(kSystemsLine), TwipsRect(615, 360, 2535, 195));
  lblVersion_ = AddLabel(this, "lblVersion", QString::fromLatin1(kVersionPlaceholder),
                         TwipsRect(615, 600, 795, 195));

  // The notice keeps its box and wraps inside it.
  auto* disclaimer = new QLabel(QString::fromLatin1(kDisclaimer), this);
  disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
  disclaimer->setTextFormat(Qt::PlainText);
  disclaimer->setWordWrap(true);
  disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  disclaimer->setGeometry(TwipsRect(600, 1920, 3495, 1545));
}

// An etched rule: a grey line over a wider white one, so that the white shows
// as a highlight just below the grey.
void frmAbout::BuildRule() {
  constexpr int kRuleTop = 1860;
  constexpr int kRuleRight = 5535;
  AddRuleLine(this, "Line1_0", QColor(255, 255, 255),
              QRect(Pixels(105), Pixels(kRuleTop), Pixels(kRuleRight) - Pixels(105), 2));
  QWidget* grey =
      AddRuleLine(this, "Line1_1", QColor(128, 128, 128),
                  QRect(Pixels(90), Pixels(kRuleTop), Pixels(kRuleRight) - Pixels(90), 1));
  grey->raise();
}

void frmAbout::BuildButtons() {
  cmdOK_ = AddButton(this, "cmdOK", "Close(&C)", TwipsRect(4320, 1920, 1260, 304));
  cmdIE_ = AddButton(this, "cmdIE", "Website(&W)", TwipsRect(4320, 2280, 1245, 304));
  cmdSysInfo_ = AddButton(this, "cmdSysInfo", "SysInfo(&I)", TwipsRect(4320, 2640, 1245, 304));

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
