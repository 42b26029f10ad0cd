// The title dialog: types the title of each input channel (UTF-8 on the
// screen, Shift-JIS in the document), shows the 16 titles of the current page,
// sends one title with Set and every title with "全ch.設定" (one every 500 ms).
//
// After "OK" the main frame takes over (the dialog does not do this itself):
//   doc.slave_number    = dialog.slave;
//   doc.current_channel = dialog.channel;
// Cancel (Escape, the close box) is refused while the batch runs; the main
// frame then changes nothing. Japanese is typed with the terminal's own input
// method, which the program neither sees nor switches.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "commands/title_commands.h"
#include "dialogs/table_dialog.h"

namespace klvc {

class CTitleSetDlg : public TableDialog {
 public:
  static constexpr int kChannelList = 1002;
  static constexpr int kSlaveList = 1003;
  static constexpr int kTitleEdit = 1004;
  static constexpr int kAllChannels = 1008;
  static constexpr int kSendStatus = 1009;  // what became of the last title sent by Enter

  explicit CTitleSetDlg(const DialogContext& ctx);
  ~CTitleSetDlg() override;

  // The list selections, taken from the document when the dialog is built and
  // read back from the lists by "OK" (never -1: a list showing nothing keeps
  // the value it started with).
  int channel;
  int slave;

  void on_init() override;
  void on_command(int id, ui::Notify notify) override;
  void on_ok() override;
  void on_cancel() override;

 protected:
  void paint_rows() override;
  BatchShape batch_shape() const override;
  void send_batch_row(int row, int inner) override;
  void before_batch_tick() override;
  void batch_running_changed(bool running) override;

 private:
  void change_channel();
  void title_edited();
  // True when the title went out. With `quiet`, its answer is shown on the
  // status line instead of a "Success" box (errors still get their box).
  bool send_current_title(bool quiet);
  void heard(int ch, const AnswerEvent& e);
  void send_and_next();       // Enter in the title field
  void fill_edit_from_doc();
  std::string& title_of(int ch) { return doc().channel_titles[static_cast<std::size_t>(ch)]; }
  bool accept_typed(const std::string& candidate);

  bool filling_ = false;      // the dialog itself is writing the edit field
  std::string field_bytes_;   // the edit field's text in Shift-JIS
  // What the switcher answered to each channel's title sent by Enter since
  // it was last edited: true "GO", false an error or no answer.
  std::map<int, bool> answered_;
  // Answers may come after the dialog has gone: they find it through this.
  std::shared_ptr<CTitleSetDlg*> self_;
};

// The warning for characters that Shift-JIS cannot hold, naming each.
std::string unrepresentable_char_text(const std::string& utf8_chars);

// title_command for the stored title of `channel`, sent when it builds.
// Returns nullptr when the title went out, otherwise the warning to show.
// `owner` hears of the answer (see LineOwner).
const char* send_channel_title(const DialogContext& ctx, int channel, LineOwner owner = {});

std::unique_ptr<ui::Dialog> make_title_set_dialog(const DialogContext& ctx);

}  // namespace klvc
