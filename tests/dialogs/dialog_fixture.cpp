#include "dialog_fixture.h"

#include <cstdarg>
#include <cstdio>

#include "link/link.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {

std::string printed(const char* format, ...) {
  char buf[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

void ScreenBoxes::show_box(BoxRequest request, std::function<void(BoxResult)> on_close) {
  ui::MessageBoxSpec form;
  form.text = request.text;
  form.caption = request.caption;
  form.icon = static_cast<ui::MessageIcon>(request.icon);
  form.buttons = request.buttons == BoxButtons::YesNo ? ui::MessageButtons::YesNo : ui::MessageButtons::Ok;
  form.beep = request.beep;
  form.default_no = request.default_no;
  form.unasked = request.origin != BoxOrigin::Other;
  ui_.message_box(form, std::move(on_close));
}

DialogTest::DialogTest() : ui(ui::Ui::create_headless(80, 24)), boxes(*ui) {
  reset_doc();
  set_message_sink(&boxes);
  link.set_direct_line([this](const std::string& bytes) {
    wire += bytes;
    const std::string answer = sim.receive(bytes);
    if (!answer.empty()) link.feed_received(answer.data(), answer.size());
  });
}

DialogTest::~DialogTest() {
  link.set_direct_line({});
  set_message_sink(nullptr);
}

void DialogTest::reset_doc() {
  doc_.model_index = doc_.com_port_index = doc_.current_output = doc_.current_input = doc_.current_channel = 0;
  doc_.interface_mode = 0;
  doc_.slave_number = 0;
  doc_.modified = 0;
  doc_.file_name.clear();
  reset_to_defaults(doc_);
  link.set_address(0, 0);  // as the document says
}

void DialogTest::pick(int list_id, int index) {
  ASSERT_NE(top(), nullptr);
  top()->combo(list_id).user_pick(index);
}

void DialogTest::press(int button_id) {
  ASSERT_NE(top(), nullptr);
  top()->click(button_id);
}

int DialogTest::selection(int list_id) { return top()->combo(list_id).selection(); }

std::vector<std::string> DialogTest::entries(int list_id) { return top()->combo(list_id).entries(); }

std::string DialogTest::table_text(int table_id) { return top()->table(table_id).painted_text(); }

bool DialogTest::shows(int table_id, const std::string& text) {
  return table_text(table_id).find(text) != std::string::npos;
}

std::vector<std::string> DialogTest::take_lines() {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t lf = wire.find('\n'); lf != std::string::npos; lf = wire.find('\n', start)) {
    lines.push_back(wire.substr(start, lf + 1 - start));
    start = lf + 1;
  }
  wire.erase(0, start);
  return lines;
}

std::vector<std::string> DialogTest::box_texts() const {
  std::vector<std::string> texts;
  for (const ui::ShownBox& box : ui->shown_boxes()) texts.push_back(box.form.text);
  return texts;
}

int DialogTest::open_boxes() const {
  int n = 0;
  for (const ui::ShownBox& box : ui->shown_boxes()) n += box.open;
  return n;
}

}  // namespace klvc
