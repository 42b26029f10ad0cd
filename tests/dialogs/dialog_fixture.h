// A headless screen, a simulated switcher behind the link, and the message
// boxes routed onto the screen: what the dialog tests drive, as an operator
// would, and where they read the exact bytes that went out.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/port_map.h"
#include "dialogs/dialog_context.h"
#include "link/link.h"
#include "link/messages.h"
#include "sim/simulator.h"
#include "ui/dialog.h"
#include "ui/ui.h"

namespace klvc {

using Lines = std::vector<std::string>;

// An expected line, written printf-style from the command's rule.
std::string printed(const char* format, ...) __attribute__((format(printf, 1, 2)));

// What the tables of dialogs hold to open one on the test's document and link.
using MakeDialog = std::function<std::unique_ptr<ui::Dialog>(const DialogContext&)>;
template <class D>
std::unique_ptr<ui::Dialog> make_dialog(const DialogContext& ctx) {
  return std::make_unique<D>(ctx);
}

// The warnings of a title the switcher cannot draw.
constexpr const char* kNotJisWarning = "ＪＩＳ第１水準,第２水準以外の字が選択されてます";
constexpr const char* kOutsideSetWarning = "仕様以外の字が選択されてます";

// Boxes go straight onto the headless screen (one thread: no posting needed).
class ScreenBoxes : public MessageSink {
 public:
  explicit ScreenBoxes(ui::Ui& ui) : ui_(ui) {}
  void post_box(BoxRequest request) override { show_box(std::move(request), {}); }
  void show_box(BoxRequest request, std::function<void(BoxResult)> on_close) override;

 private:
  ui::Ui& ui_;
};

class DialogTest : public ::testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  // Opens the dialog modally; the result and the dialog's last members are
  // recorded by the on_end callback the test passes, if any.
  template <class D>
  D& open(std::unique_ptr<D> dialog, std::function<void(ui::Dialog&, int)> on_end = {}) {
    return static_cast<D&>(ui->open_modal(std::move(dialog), std::move(on_end)));
  }
  ui::Dialog* top() const { return ui->top_dialog(); }

  // The test's own document, as a fresh screen starts it.
  SettingsStore& doc() { return doc_; }
  // Back to that fresh document (a table of cases reuses one fixture).
  void reset_doc();

  // As the operator: pick entry `index` of a drop-down list, press a button.
  void pick(int list_id, int index);
  void press(int button_id);
  int selection(int list_id);
  std::vector<std::string> entries(int list_id);
  // The text painted into a table of the dialog on top, and whether it holds `text`.
  std::string table_text(int table_id);
  bool shows(int table_id, const std::string& text);

  // Everything written to the switcher since the last call, split into lines
  // (each still with its CR LF).
  std::vector<std::string> take_lines();
  std::vector<std::string> box_texts() const;
  int open_boxes() const;

  std::unique_ptr<ui::Ui> ui;
  ScreenBoxes boxes;
  SettingsStore doc_;
  Link link;
  PortMap ports;
  DialogContext ctx{doc_, link, ports};
  Simulator sim{4};
  std::string wire;  // every byte written, in order
};

}  // namespace klvc
