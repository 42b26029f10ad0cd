#include "app/ui_message_sink.h"

#include <utility>

namespace klvc {

ui::MessageBoxSpec to_box_spec(const BoxRequest& request) {
  ui::MessageBoxSpec spec;
  spec.text = request.text;
  spec.caption = request.caption;
  switch (request.icon) {
    case BoxIcon::None: spec.icon = ui::MessageIcon::None; break;
    case BoxIcon::Error: spec.icon = ui::MessageIcon::Error; break;
    case BoxIcon::Warning: spec.icon = ui::MessageIcon::Warning; break;
    case BoxIcon::Question: spec.icon = ui::MessageIcon::Question; break;
    case BoxIcon::Information: spec.icon = ui::MessageIcon::Information; break;
  }
  spec.buttons = request.buttons == BoxButtons::YesNo ? ui::MessageButtons::YesNo : ui::MessageButtons::Ok;
  spec.beep = request.beep;
  return spec;
}

void UiMessageSink::post_box(BoxRequest request) {
  ui::Ui* ui = &ui_;
  ui_.post([ui, spec = to_box_spec(request)]() mutable { ui->message_box(std::move(spec)); });
}

void UiMessageSink::show_box(BoxRequest request, std::function<void(int)> on_close) {
  ui_.message_box(to_box_spec(request), std::move(on_close));
}

}  // namespace klvc
