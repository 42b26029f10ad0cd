// Message boxes of the device link, the dialogs and the file commands.
// The link never draws: it hands each box to a MessageSink that the screen
// layer implements (or, without a screen, the default sink writes to stderr).
// The sink is one for the process, whichever link or dialog raises the box:
// an output channel, not a document, so it is not handed around like a Link.
#pragma once

#include <functional>
#include <string>

#include "common/box_result.h"  // the answers a box can have: a plain value, no screen

namespace klvc {

enum class BoxIcon { None, Error, Warning, Question, Information };
enum class BoxButtons { Ok, YesNo };

// Where a box comes from. A screen shows every box alike; a one-line report
// on the command line picks what it needs (one cause, one message).
enum class BoxOrigin {
  Other,
  Answer,          // the switcher's answer to a line
  NoConnect,       // no answer within the limit
  PortSetup,       // a step of opening the port failed
  PortSetupFollow, // a later step that could not run because an earlier one failed
  LinkLost,        // the device hung up or went away
  LinkBack,        // the device came back
  WriteFailed,     // a line could not be written
};

struct BoxRequest {
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
  bool beep = true;
  bool default_no = false;  // a question whose safe answer is No
  BoxOrigin origin = BoxOrigin::Other;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Any thread: queue the box for the user-interface thread; does not wait.
  virtual void post_box(BoxRequest request) = 0;
  // User-interface thread: show the box; on_close (may be empty) gets the result.
  virtual void show_box(BoxRequest request, std::function<void(BoxResult)> on_close) = 0;
  // Any thread: run `fn` on the user-interface thread (without a screen: at once).
  virtual void post_call(std::function<void()> fn) { fn(); }
};

// nullptr restores the default sink (stderr, answers OK / Yes at once).
void set_message_sink(MessageSink* sink);
MessageSink& message_sink();

// Error box, caption "Error", error icon, beep. Safe from any thread (posts).
void show_error(const std::string& text, BoxOrigin origin = BoxOrigin::Other);
// Warning box, caption "Error", warning icon, beep. User-interface thread.
void show_warning(const std::string& text, std::function<void(BoxResult)> on_close = {});

}  // namespace klvc
