#include "app/main_window_controls.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/field_list_box.h"

namespace ferulo::app {

namespace {

// Places inside Frame1, in pixels. Five list columns of equal width.
constexpr int kMargin = 12;
constexpr int kListTop = 34;
constexpr int kListWidth = 119;
constexpr int kListHeight = 218;
constexpr int kListGap = 6;
constexpr int kHeadingTop = 14;
constexpr int kRowHeight = 22;
constexpr int kInputRowTop = 264;
constexpr int kOutputRowTop = 296;
constexpr int kCaptionWidth = 96;
constexpr int kPathLeft = kMargin + kCaptionWidth + 4;
constexpr int kPathWidth = 424;
constexpr int kSelectLeft = kPathLeft + kPathWidth + 8;
constexpr int kSelectWidth = 87;
constexpr int kButtonTop = 336;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 30;
constexpr int kButtonGap = 24;

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

void BuildListRow(QWidget* frame, MainWindowControls& controls) {
  const std::array<QString, 5> headings{
      QStringLiteral("Table Name"), QStringLiteral("Field Name"), QStringLiteral("Display Name"),
      QStringLiteral("Filter Name"), QStringLiteral("Search Name")};
  const std::array<const char*, 5> headingNames{"Label1", "Label2", "Label3", "Label4", "Label5"};
  for (int column = 0; column < 5; ++column) {
    controls.labels[static_cast<std::size_t>(column)] =
        MakeLabel(frame, headingNames[static_cast<std::size_t>(column)],
                  headings[static_cast<std::size_t>(column)],
                  QRect(ListColumnLeft(column), kHeadingTop, kListWidth, 18));
  }

  controls.ListTable = Named(new QListWidget(frame), "ListTable");
  controls.ListTable->setGeometry(ListColumnLeft(0), kListTop, kListWidth, kListHeight);
  controls.ListTable->setSelectionMode(QAbstractItemView::SingleSelection);
  controls.ListTable->setToolTip(QStringLiteral("please select a table"));

  const std::array<const char*, kFieldListCount> listNames{"ListItem0", "ListItem1", "ListItem2",
                                                           "ListItem3"};
  for (int index = 0; index < kFieldListCount; ++index) {
    auto* list = Named(new FieldListBox(frame), listNames[static_cast<std::size_t>(index)]);
    list->setGeometry(ListColumnLeft(index + 1), kListTop, kListWidth, kListHeight);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setToolTip(QStringLiteral("click to make it"));
    controls.ListItem[static_cast<std::size_t>(index)] = list;
  }
}

void BuildPathRows(QWidget* frame, MainWindowControls& controls) {
  controls.labels[5] = MakeLabel(frame, "Label6", QStringLiteral("Input Database:"),
                                 QRect(kMargin, kInputRowTop, kCaptionWidth, kRowHeight));
  controls.txtInput = Named(new QLineEdit(frame), "txtInput");
  controls.txtInput->setGeometry(kPathLeft, kInputRowTop, kPathWidth, kRowHeight);
  controls.btnSelectDB = MakeButton(frame, "btnSelectDB", QStringLiteral("Select..."),
                                    QRect(kSelectLeft, kInputRowTop - 2, kSelectWidth, 26));

  controls.labels[6] = MakeLabel(frame, "Label7", QStringLiteral("Output Path:"),
                                 QRect(kMargin, kOutputRowTop, kCaptionWidth, kRowHeight));
  controls.txtOutput = Named(new QLineEdit(frame), "txtOutput");
  controls.txtOutput->setGeometry(kPathLeft, kOutputRowTop, kPathWidth, kRowHeight);
  // Keeps its place beside txtOutput but is never shown.
  controls.btnSelectPath = MakeButton(frame, "btnSelectPath", QStringLiteral("Select..."),
                                      QRect(kSelectLeft, kOutputRowTop - 2, kSelectWidth, 26));
  controls.btnSelectPath->setVisible(false);
}

void BuildCommandRow(QWidget* frame, MainWindowControls& controls) {
  const int rowWidth = 3 * kButtonWidth + 2 * kButtonGap;
  const int left = (frame->width() - rowWidth) / 2;
  const auto place = [&](int position) {
    return QRect(left + position * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth,
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

}  // namespace

MainWindowControls BuildMainWindowControls(QWidget* window) {
  MainWindowControls controls;
  // The frame fills the client area the window opens with, less a thin border.
  controls.Frame1 = Named(new QGroupBox(window), "Frame1");
  controls.Frame1->setGeometry(4, 2, window->width() - 8, window->height() - 6);

  BuildListRow(controls.Frame1, controls);
  BuildPathRows(controls.Frame1, controls);
  BuildCommandRow(controls.Frame1, controls);
  SetFocusOrder(controls);
  return controls;
}

}  // namespace ferulo::app
