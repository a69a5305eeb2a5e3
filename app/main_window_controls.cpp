#include "app/main_window_controls.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/field_list_box.h"

namespace ferulo::app {

namespace {

using gui::LayoutUnits;

// The page of controls and Frame1 on it, in layout units (gui/layout_units.h).
constexpr int kPageWidth = 355;
constexpr int kPageHeight = 223;
constexpr int kFrameLeft = 2;
constexpr int kFrameTop = 1;
constexpr int kFrameWidth = kPageWidth - 2 * kFrameLeft;
constexpr int kFrameHeight = kPageHeight - 3 * kFrameTop;

// Places inside Frame1. Five list columns of equal width; the path rows end
// where the lists do.
constexpr int kMargin = 7;
constexpr int kHeadingTop = 8;
constexpr int kTextHeight = 10;
constexpr int kListTop = 20;
constexpr int kListWidth = 65;
constexpr int kListHeight = 125;
constexpr int kListGap = 3;
constexpr int kRowsRight = kMargin + 5 * kListWidth + 4 * kListGap;
constexpr int kInputRowTop = 151;
constexpr int kOutputRowTop = 170;
constexpr int kRowHeight = 13;
constexpr int kCaptionWidth = 62;
constexpr int kSelectWidth = 50;
constexpr int kSelectHeight = 15;
constexpr int kSelectLeft = kRowsRight - kSelectWidth;
constexpr int kPathLeft = kMargin + kCaptionWidth + 2;
constexpr int kPathWidth = kSelectLeft - 4 - kPathLeft;
constexpr int kButtonTop = 192;
constexpr int kButtonWidth = 52;
constexpr int kButtonHeight = 17;
constexpr int kButtonGap = 13;

int ListColumnLeft(int column) {
  return kMargin + column * (kListWidth + kListGap);
}

template <typename Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

QLabel* MakeLabel(QWidget* frame, const char* name, const QString& text, const QRect& place) {
  auto* label = Named(new QLabel(text, frame), name);
  label->setGeometry(place);
  return label;
}

QPushButton* MakeButton(QWidget* frame, const char* name, const QString& text, const QRect& place) {
  auto* button = Named(new QPushButton(text, frame), name);
  button->setGeometry(place);
  return button;
}

// "Start", "About" and "Exit" carry the classic dialog font; Qt picks the
// nearest installed face where it is missing.
QFont CommandButtonFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSizeF(9.75);
  return font;
}

void BuildListRow(QWidget* frame, const LayoutUnits& units, MainWindowControls& controls) {
  const std::array<QString, 5> headings{
      QStringLiteral("Table Name"), QStringLiteral("Field Name"), QStringLiteral("Display Name"),
      QStringLiteral("Filter Name"), QStringLiteral("Search Name")};
  const std::array<const char*, 5> headingNames{"Label1", "Label2", "Label3", "Label4", "Label5"};
  for (int column = 0; column < 5; ++column) {
    controls.labels[static_cast<std::size_t>(column)] =
        MakeLabel(frame, headingNames[static_cast<std::size_t>(column)],
                  headings[static_cast<std::size_t>(column)],
                  units.Rect(ListColumnLeft(column), kHeadingTop, kListWidth, kTextHeight));
  }

  const auto listPlace = [&](int column) {
    return units.Rect(ListColumnLeft(column), kListTop, kListWidth, kListHeight);
  };
  controls.ListTable = Named(new QListWidget(frame), "ListTable");
  controls.ListTable->setGeometry(listPlace(0));
  controls.ListTable->setSelectionMode(QAbstractItemView::SingleSelection);
  controls.ListTable->setToolTip(QStringLiteral("please select a table"));

  const std::array<const char*, kFieldListCount> listNames{"ListItem0", "ListItem1", "ListItem2",
                                                           "ListItem3"};
  for (int index = 0; index < kFieldListCount; ++index) {
    auto* list = Named(new FieldListBox(frame), listNames[static_cast<std::size_t>(index)]);
    list->setGeometry(listPlace(index + 1));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setToolTip(QStringLiteral("click to make it"));
    controls.ListItem[static_cast<std::size_t>(index)] = list;
  }
}

void BuildPathRows(QWidget* frame, const LayoutUnits& units, MainWindowControls& controls) {
  const auto selectPlace = [&](int rowTop) {
    return units.Rect(kSelectLeft, rowTop - 1, kSelectWidth, kSelectHeight);
  };
  controls.labels[5] = MakeLabel(frame, "Label6", QStringLiteral("Input Database:"),
                                 units.Rect(kMargin, kInputRowTop, kCaptionWidth, kRowHeight));
  controls.txtInput = Named(new QLineEdit(frame), "txtInput");
  controls.txtInput->setGeometry(units.Rect(kPathLeft, kInputRowTop, kPathWidth, kRowHeight));
  controls.btnSelectDB =
      MakeButton(frame, "btnSelectDB", QStringLiteral("Select..."), selectPlace(kInputRowTop));

  controls.labels[6] = MakeLabel(frame, "Label7", QStringLiteral("Output Path:"),
                                 units.Rect(kMargin, kOutputRowTop, kCaptionWidth, kRowHeight));
  controls.txtOutput = Named(new QLineEdit(frame), "txtOutput");
  controls.txtOutput->setGeometry(units.Rect(kPathLeft, kOutputRowTop, kPathWidth, kRowHeight));
  // Keeps its place beside txtOutput but is never shown.
  controls.btnSelectPath =
      MakeButton(frame, "btnSelectPath", QStringLiteral("Select..."), selectPlace(kOutputRowTop));
  controls.btnSelectPath->setVisible(false);
}

void BuildCommandRow(QWidget* frame, const LayoutUnits& units, MainWindowControls& controls) {
  const int rowWidth = 3 * kButtonWidth + 2 * kButtonGap;
  const int left = (kFrameWidth - rowWidth) / 2;
  const auto place = [&](int position) {
    return units.Rect(left + position * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth,
                      kButtonHeight);
  };
  controls.start = MakeButton(frame, "start", QStringLiteral("Start"), place(0));
  controls.aboutus = MakeButton(frame, "aboutus", QStringLiteral("About"), place(1));
  controls.quitsys = MakeButton(frame, "quitsys", QStringLiteral("Exit"), place(2));
  for (QPushButton* button : {controls.start, controls.aboutus, controls.quitsys}) {
    button->setFont(CommandButtonFont());
  }
}

void SetFocusOrder(const MainWindowControls& controls) {
  const std::array<QWidget*, 11> order{
      controls.txtInput,  controls.ListItem[3], controls.ListItem[2], controls.aboutus,
      controls.quitsys,   controls.start,       controls.ListItem[1], controls.ListItem[0],
      controls.ListTable, controls.btnSelectDB, controls.txtOutput};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget::setTabOrder(order[i], order[i + 1]);
  }
}

// The page of controls, shown through a borderless scroll area that fills the
// window: on a screen smaller than the window, the window is made smaller and
// every control stays within reach.
QWidget* AddScrollingPage(QWidget* window, QSize pageSize) {
  auto* page = new QWidget;
  page->setFixedSize(pageSize);
  auto* scroller = new QScrollArea(window);
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setFocusPolicy(Qt::NoFocus);
  scroller->setWidget(page);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(QMargins());
  layout->addWidget(scroller);
  return page;
}

}  // namespace

QSize MainWindowPageSize(const LayoutUnits& units) {
  return units.Size(kPageWidth, kPageHeight);
}

MainWindowControls BuildMainWindowControls(QWidget* window, const LayoutUnits& units) {
  MainWindowControls controls;
  QWidget* page = AddScrollingPage(window, MainWindowPageSize(units));
  controls.Frame1 = Named(new QGroupBox(page), "Frame1");
  controls.Frame1->setGeometry(units.Rect(kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight));

  BuildListRow(controls.Frame1, units, controls);
  BuildPathRows(controls.Frame1, units, controls);
  BuildCommandRow(controls.Frame1, units, controls);
  SetFocusOrder(controls);
  return controls;
}

}  // namespace ferulo::app
