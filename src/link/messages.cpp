#include "link/messages.h"

#include <atomic>
#include <cstdio>
#include <mutex>


namespace klvc {

namespace {

// Without a screen: one line per box on stderr; questions answer OK / Yes.
class StderrSink : public MessageSink {
 public:
  void post_box(BoxRequest request) override { print(request); }
  void show_box(BoxRequest request, std::function<void(BoxResult)> on_close) override {
    print(request);
    if (on_close) on_close(request.buttons == BoxButtons::YesNo ? BoxResult::Yes : BoxResult::Ok);
  }

 private:
  void print(const BoxRequest& request) {
    std::string text = request.text;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
      text.replace(at, 1, " — ");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), text.c_str());
    std::fflush(stderr);
  }
  std::mutex mutex_;  // boxes come from the reader thread too
};

StderrSink& default_sink() {
  static StderrSink sink;
  return sink;
}

BoxRequest error_box(const std::string& text, BoxIcon icon, BoxOrigin origin = BoxOrigin::Other) {
  BoxRequest r;
  r.origin = origin;
  r.text = text;
  r.caption = "Error";
  r.icon = icon;
  r.buttons = BoxButtons::Ok;
  r.beep = true;
  return r;
}

std::atomic<MessageSink*> installed{nullptr};  // nullptr: the default sink

}  // namespace

void set_message_sink(MessageSink* sink) { installed.store(sink); }

MessageSink& message_sink() {
  MessageSink* sink = installed.load();
  return sink ? *sink : default_sink();
}

void show_error(const std::string& text, BoxOrigin origin) {
  message_sink().post_box(error_box(text, BoxIcon::Error, origin));
}

void show_warning(const std::string& text, std::function<void(BoxResult)> on_close) {
  message_sink().show_box(error_box(text, BoxIcon::Warning), std::move(on_close));
}

}  // namespace klvc
