#include "dialogs/about_dlg.h"

namespace klvc {

namespace {
const char* const kAboutVersionText = "KLVC Version 2.10";
const char* const kAboutCaption = "KLVCのﾊﾞｰｼﾞｮﾝ情報";
}  // namespace

// The About box is 154 x 55 dialog units; at about 4 units a column and 8 a
// row that is a 38 x 6 client area, with the controls where the template puts them.
CAboutDlg::CAboutDlg() : ui::Dialog(kAboutCaption, 38, 6) {
  add_label({3, 2, 4, 1}, "[K]");  // the application icon
  add_label({10, 1, 20, 1}, kAboutVersionText, kIdVersionText);
  add_button(ui::kIdOk, {25, 4, 12, 1}, "OK", true);
}

}  // namespace klvc
