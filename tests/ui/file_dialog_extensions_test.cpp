// The file dialogs with other files than *.dat: what they list, their
// caption, and the extension added to a typed name.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "ui/file_dialog.h"
#include "ui/ui.h"

namespace klvc::ui {
namespace {

TEST(FileDialogExtensions, ListsTheGivenKindsAndAddsTheFirst) {
  char tmpl[] = "/tmp/klvc_ui_fdx_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  for (const char* name : {"a.dat", "b.txt", "c.CSV", "d.txt.bak"}) std::ofstream(dir + "/" + name) << "x";
  auto ui = Ui::create_headless(80, 24);
  std::string result = "unset";
  ui->file_save_dialog(dir, [&](std::string p) { result = p; }, "", "KLVC", {"txt", "csv"}, "エクスポート");
  auto& dialog = static_cast<FileDialog&>(*ui->top_dialog());
  EXPECT_EQ(dialog.caption(), "エクスポート");
  EXPECT_EQ(dialog.list().entries(), (std::vector<std::string>{"..", "b.txt", "c.CSV"}));
  dialog.focus(FileDialog::kIdName);
  ui->feed(Event::typed("site"));
  ui->feed(Event::of(Key::Enter));
  EXPECT_EQ(result, dir + "/site.txt");
  ASSERT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

}  // namespace
}  // namespace klvc::ui
