#include "app/main_window_controls.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/field_list_box.h"

namespace ferulo::app {

namespace {

using gui::LayoutUnits;

// The size the window opens with, in layout units (gui/layout_units.h): room
// for ten column names in each list.
constexpr int kPageWidth = 355;
constexpr int kPageHeight = 223;
// The least a list keeps when the window is made small: room for ten names
// of the usual length. On a smaller screen the page scrolls.
constexpr int kListMinimumWidth = 58;
constexpr int kListMinimumHeight = 125;
constexpr int kButtonWidth = 52;
constexpr int kButtonGap = 13;

template <typename Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

// A label whose access key (the letter after '&') moves the focus to its
// buddy. The buddy's accessible name is the label's text, as a screen reader
// announces it.
QLabel* MakeBuddyLabel(QWidget* frame, const char* name, const QString& text, QWidget* buddy) {
  auto* label = Named(new QLabel(text, frame), name);
  label->setBuddy(buddy);
  QString spoken = text;
  spoken.remove(QLatin1Char('&'));
  if (spoken.endsWith(QLatin1Char(':'))) {
    spoken.chop(1);
  }
  buddy->setAccessibleName(spoken);
  return label;
}

// Enter on a button with the focus presses it, as on a dialog's buttons.
QPushButton* MakeButton(QWidget* frame, const char* name, const QString& text) {
  auto* button = Named(new QPushButton(text, frame), name);
  button->setAutoDefault(true);
  return button;
}

// "Start", "About" and "Exit" carry the classic dialog font; Qt picks the
// nearest installed face where it is missing.
QFont CommandButtonFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSizeF(9.75);
  return font;
}

// Headings over five lists that share the window's width and height alike.
void BuildListRow(QWidget* frame, QGridLayout* grid, const LayoutUnits& units,
                  MainWindowControls& controls) {
  controls.ListTable = Named(new ListBox(frame), "ListTable");
  controls.ListTable->setSelectionMode(QAbstractItemView::SingleSelection);
  controls.ListTable->setToolTip(QStringLiteral("please select a table"));
  const std::array<const char*, kFieldListCount> listNames{"ListItem0", "ListItem1", "ListItem2",
                                                           "ListItem3"};
  for (std::size_t index = 0; index < kFieldListCount; ++index) {
    auto* list = Named(new FieldListBox(frame), listNames[index]);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setToolTip(QStringLiteral("click to make it"));
    controls.ListItem[index] = list;
  }

  const std::array<QListWidget*, 5> lists{controls.ListTable, controls.ListItem[0],
                                          controls.ListItem[1], controls.ListItem[2],
                                          controls.ListItem[3]};
  const std::array<QString, 5> headings{
      QStringLiteral("&Table Name"), QStringLiteral("&Field Name"), QStringLiteral("&Display Name"),
      QStringLiteral("Fi&lter Name"), QStringLiteral("Sea&rch Name")};
  const std::array<const char*, 5> headingNames{"Label1", "Label2", "Label3", "Label4", "Label5"};
  for (std::size_t column = 0; column < lists.size(); ++column) {
    controls.labels[column] =
        MakeBuddyLabel(frame, headingNames[column], headings[column], lists[column]);
    lists[column]->setMinimumSize(units.Size(kListMinimumWidth, kListMinimumHeight));
    grid->addWidget(controls.labels[column], 0, static_cast<int>(column));
    grid->addWidget(lists[column], 1, static_cast<int>(column));
    grid->setColumnStretch(static_cast<int>(column), 1);
  }
  grid->setRowStretch(1, 1);
}

// "Input Database:" and "Output Path:", each with its box and a "Select..."
// button; the second button is never shown but keeps its place, so that both
// boxes end at the same point.
void BuildPathRows(QWidget* frame, QGridLayout* grid, MainWindowControls& controls) {
  controls.txtInput = Named(new QLineEdit(frame), "txtInput");
  controls.labels[5] =
      MakeBuddyLabel(frame, "Label6", QStringLiteral("&Input Database:"), controls.txtInput);
  controls.btnSelectDB = MakeButton(frame, "btnSelectDB", QStringLiteral("S&elect..."));
  controls.txtOutput = Named(new QLineEdit(frame), "txtOutput");
  controls.labels[6] =
      MakeBuddyLabel(frame, "Label7", QStringLiteral("&Output Path:"), controls.txtOutput);
  controls.btnSelectPath = MakeButton(frame, "btnSelectPath", QStringLiteral("Select..."));
  QSizePolicy keepsItsPlace = controls.btnSelectPath->sizePolicy();
  keepsItsPlace.setRetainSizeWhenHidden(true);
  controls.btnSelectPath->setSizePolicy(keepsItsPlace);
  controls.btnSelectPath->setVisible(false);

  auto* rows = new QGridLayout;
  rows->addWidget(controls.labels[5], 0, 0);
  rows->addWidget(controls.txtInput, 0, 1);
  rows->addWidget(controls.btnSelectDB, 0, 2);
  rows->addWidget(controls.labels[6], 1, 0);
  rows->addWidget(controls.txtOutput, 1, 1);
  rows->addWidget(controls.btnSelectPath, 1, 2);
  rows->setColumnStretch(1, 1);
  grid->addLayout(rows, 2, 0, 1, 5);
}

// "Start", "About" and "Exit" in the middle of the last row. Start is the
// default button: Enter in the output path box presses it too.
void BuildCommandRow(QWidget* frame, QGridLayout* grid, const LayoutUnits& units,
                     MainWindowControls& controls) {
  controls.start = MakeButton(frame, "start", QStringLiteral("&Start"));
  controls.aboutus = MakeButton(frame, "aboutus", QStringLiteral("&About"));
  controls.quitsys = MakeButton(frame, "quitsys", QStringLiteral("E&xit"));
  controls.start->setDefault(true);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : {controls.start, controls.aboutus, controls.quitsys}) {
    button->setFont(CommandButtonFont());
    button->setMinimumWidth(units.X(kButtonWidth));
    if (button != controls.start) {
      row->addSpacing(units.X(kButtonGap));
    }
    row->addWidget(button);
  }
  row->addStretch(1);
  grid->addLayout(row, 3, 0, 1, 5);
}

// Top to bottom, left to right, as the controls stand.
void SetFocusOrder(const MainWindowControls& controls) {
  const std::array<QWidget*, 11> order{
      controls.ListTable,   controls.ListItem[0], controls.ListItem[1], controls.ListItem[2],
      controls.ListItem[3], controls.txtInput,    controls.btnSelectDB, controls.txtOutput,
      controls.start,       controls.aboutus,     controls.quitsys};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget::setTabOrder(order[i], order[i + 1]);
  }
}

// The page of controls fills the window and grows with it. Shown through a
// borderless scroll area: on a screen smaller than the page's least size, the
// window is made smaller and every control stays within reach.
QWidget* AddScrollingPage(QWidget* window) {
  auto* page = new QWidget;
  auto* scroller = new QScrollArea(window);
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setFocusPolicy(Qt::NoFocus);
  scroller->setWidgetResizable(true);
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
  QWidget* page = AddScrollingPage(window);
  controls.Frame1 = Named(new QGroupBox(page), "Frame1");
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(units.X(2), units.Y(1), units.X(2), units.Y(2));
  pageLayout->addWidget(controls.Frame1);

  auto* grid = new QGridLayout(controls.Frame1);
  grid->setHorizontalSpacing(units.X(3));
  BuildListRow(controls.Frame1, grid, units, controls);
  BuildPathRows(controls.Frame1, grid, controls);
  BuildCommandRow(controls.Frame1, grid, units, controls);
  SetFocusOrder(controls);
  return controls;
}

}  // namespace ferulo::app
