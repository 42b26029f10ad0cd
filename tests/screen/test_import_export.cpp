// File > インポート and エクスポート as the operator meets them: the file
// dialogs they open, what they do to the store and the files, and the
// errors shown with their lines.
#include <gtest/gtest.h>

#include <deque>

#include "screen/command_ids.h"
#include "app_fixture.h"
#include "settings/store.h"
#include "support/text.h"

namespace klvc {
namespace {

using testing::AppTest;
using testing::file_exists;
using testing::kCameraSjis;
using testing::read_file;
using testing::write_file;

class ImportExport : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    start();
    dismiss_boxes();
    frame().set_transfer_dialog([this](FileDialogRequest request, std::function<void(std::string)> done) {
      requests.push_back(request);
      done(testing::next_answer(answers));
    });
  }

  std::deque<std::string> answers;  // each dialog takes the next ("" = cancel)
  std::vector<FileDialogRequest> requests;
};

TEST_F(ImportExport, ImportAppliesACsvOrShowsEveryErrorWithItsLine) {
  doc().output_routes[2] = 9;
  write_file(dir.file("titles.csv"), "channel,title\r\n1,カメラ\r\n3,\r\n");
  doc().channel_titles[2] = "x";
  answers = {dir.file("titles.csv")};
  ui->command(cmd::kFileImport);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].save);
  EXPECT_EQ(requests[0].extensions, (std::vector<std::string>{"txt", "csv"}));
  EXPECT_EQ(doc().channel_titles[0], kCameraSjis);
  EXPECT_EQ(doc().channel_titles[2], "");
  EXPECT_EQ(doc().output_routes[2], 9);  // a titles CSV sets titles only
  EXPECT_EQ(doc().modified, 1);          // not saved yet: the exit question guards it
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].form.icon, ui::MessageIcon::Information);
  EXPECT_NE(boxes()[0].form.text.find("Imported 2 titles"), std::string::npos) << boxes()[0].form.text;
  dismiss_boxes();

  write_file(dir.file("bad.txt"), "route out03 = in12\ntitle ch02 = \"ABC\"\nroute out17 = in01\n");
  answers = {dir.file("bad.txt")};
  ui->command(cmd::kFileImport);
  EXPECT_EQ(doc().output_routes[2], 9);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].form.caption, "Error");
  const std::string& text = boxes()[0].form.text;
  EXPECT_NE(text.find("2 errors"), std::string::npos) << text;
  EXPECT_NE(text.find("bad.txt:2: title ch02: 「A」 is a half-width character"), std::string::npos) << text;
  EXPECT_NE(text.find("bad.txt:3: output 17 is beyond the largest model"), std::string::npos) << text;
}

TEST_F(ImportExport, ExportWritesTheTextOrTheTitlesThatImportReadsBack) {
  doc().file_name = dir.file("site.dat");
  doc().channel_titles[0] = kCameraSjis;
  doc().output_routes[2] = kRouteAuto;
  answers = {dir.file("site.txt"), dir.file("site.csv")};
  ui->command(cmd::kFileExportText);
  ui->command(cmd::kFileExportTitles);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(requests[0].save);
  EXPECT_EQ(requests[0].initial_name, "site.txt");
  EXPECT_EQ(requests[0].extensions, std::vector<std::string>{"txt"});
  EXPECT_EQ(requests[1].initial_name, "site.csv");
  EXPECT_EQ(requests[1].extensions, std::vector<std::string>{"csv"});
  EXPECT_TRUE(boxes().empty());
  const std::string text = read_file(dir.file("site.txt"));
  EXPECT_NE(text.find("\ntitle ch01 = \"カメラ\"\n"), std::string::npos);
  EXPECT_NE(text.find("\nroute out03 = in29  # Auto on KLV-A\n"), std::string::npos);
  EXPECT_EQ(read_file(dir.file("site.csv")).rfind("channel,title\r\n1,カメラ\r\n2,\r\n", 0), 0u);

  reset_to_defaults(doc());
  answers = {dir.file("site.txt")};
  ui->command(cmd::kFileImport);
  EXPECT_EQ(doc().channel_titles[0], kCameraSjis);
  EXPECT_EQ(doc().output_routes[2], kRouteAuto);

  // Cancelled dialogs write nothing.
  answers = {""};
  ui->command(cmd::kFileExportText);
  EXPECT_FALSE(file_exists(dir.file("site.dat")));
}

}  // namespace
}  // namespace klvc
