#pragma once

#include <QDialog>

#include "about/about_dependencies.h"
#include "gui/layout_units.h"

class QLabel;
class QPushButton;

namespace ferulo::about {

// The product's web site, opened by the "Website" button.
inline constexpr char kWebsiteAddress[] = "https://ferulo.sourceforge.io/";

// The About window: product title, the system it runs on, version and legal
// notice, with buttons to close it, open the web site and start the system's
// information tool. Each control's objectName is its name: lblPUT, Label1,
// lblVersion, lblDisclaimer, Line1_0, Line1_1, cmdOK, cmdIE, cmdSysInfo.
class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(AboutDependencies dependencies);

 private:
  void BuildLabels(const gui::LayoutUnits& units);
  void BuildButtons(const gui::LayoutUnits& units);
  void FitToText(const gui::LayoutUnits& units);
  void BuildRule(const gui::LayoutUnits& units);
  void Form_Load();

  void cmdOK_Click();
  void cmdIE_Click();
  void cmdSysInfo_Click();

  AboutDependencies dependencies_;
  QLabel* lblVersion_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
  QPushButton* cmdIE_ = nullptr;
  QPushButton* cmdSysInfo_ = nullptr;
};

}  // namespace ferulo::about
