#include "screen/ui_message_sink.h"

#include <utility>

#include "common/escape.h"

namespace klvc {

ui::MessageBoxSpec to_box_spec(const BoxRequest& request) {
  ui::MessageBoxSpec form;
  // Box texts quote paths, files and answers: shown as every message shows outside text.
  form.text = shown_lines(request.text);
  form.caption = shown(request.caption);
  switch (request.icon) {
    case BoxIcon::None: form.icon = ui::MessageIcon::None; break;
    case BoxIcon::Error: form.icon = ui::MessageIcon::Error; break;
    case BoxIcon::Warning: form.icon = ui::MessageIcon::Warning; break;
    case BoxIcon::Question: form.icon = ui::MessageIcon::Question; break;
    case BoxIcon::Information: form.icon = ui::MessageIcon::Information; break;
  }
  form.buttons = request.buttons == BoxButtons::YesNo ? ui::MessageButtons::YesNo : ui::MessageButtons::Ok;
  form.beep = request.beep;
  // A flapping link shows one box holding its latest state, not one per change.
  if (request.origin == BoxOrigin::LinkLost || request.origin == BoxOrigin::LinkBack) form.merge_key = "link";
  form.default_no = request.default_no;
  // Boxes the operator did not just ask for: the switcher's answers and the link's news.
  form.unasked = request.origin != BoxOrigin::Other;
  return form;
}

void UiMessageSink::post_box(BoxRequest request) {
  ui::Ui* ui = &ui_;
  ui_.post([ui, form = to_box_spec(request)]() mutable { ui->message_box(std::move(form)); });
}

void UiMessageSink::show_box(BoxRequest request, std::function<void(BoxResult)> on_close) {
  ui_.message_box(to_box_spec(request), std::move(on_close));
}

}  // namespace klvc
