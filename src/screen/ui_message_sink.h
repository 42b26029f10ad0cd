// Shows the link's and the dialogs' message boxes on the screen. Boxes asked
// for on another thread (the reader) are posted to the user-interface thread.
#pragma once

#include "link/messages.h"
#include "ui/ui.h"

namespace klvc {

ui::MessageBoxSpec to_box_spec(const BoxRequest& request);

class UiMessageSink : public MessageSink {
 public:
  explicit UiMessageSink(ui::Ui& ui) : ui_(ui) {}
  void post_box(BoxRequest request) override;
  void show_box(BoxRequest request, std::function<void(BoxResult)> on_close) override;
  void post_call(std::function<void()> fn) override { ui_.post(std::move(fn)); }

 private:
  ui::Ui& ui_;
};

// Installs a UiMessageSink for its lifetime and restores the default sink after.
class ScopedUiMessageSink {
 public:
  explicit ScopedUiMessageSink(ui::Ui& ui) : sink_(ui) { set_message_sink(&sink_); }
  ~ScopedUiMessageSink() { set_message_sink(nullptr); }
  ScopedUiMessageSink(const ScopedUiMessageSink&) = delete;
  ScopedUiMessageSink& operator=(const ScopedUiMessageSink&) = delete;

 private:
  UiMessageSink sink_;
};

}  // namespace klvc
