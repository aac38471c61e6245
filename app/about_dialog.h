#pragma once
// The About box: the program's version line and a notice.
#include <string>

#include "ui/dialog.h"

class CAboutDlg : public ui::Dialog {
 public:
  // No parent: the main dialog owns the box while it runs.
  explicit CAboutDlg(ui::Application& app);

  std::u16string m_strVersion;  // static 1010
  std::u16string m_strNotice;   // static 1011

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;
};
