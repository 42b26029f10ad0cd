// The About box: program name and version, closed by OK, Esc or the close box.
#pragma once

#include "ui/dialog.h"

namespace klvc {

class CAboutDlg : public ui::Dialog {
 public:
  static constexpr int kIdVersionText = 1100;  // the version line, for tests and readers
  CAboutDlg();
};

}  // namespace klvc
