// The application object: owner of the screen's one document, its link and
// the COM port map; start-up in the framework's order, the About command,
// and the orderly end of the link and the message boxes.
#pragma once

#include <memory>
#include <string>

#include "common/port_map.h"
#include "link/link.h"
#include "screen/main_frame.h"
#include "screen/main_view.h"
#include "screen/traffic_log.h"
#include "screen/ui_message_sink.h"
#include "settings/store.h"
#include "ui/ui.h"

namespace klvc {

class SimulatedPort;

struct StartOptions {
  std::string profile_path;  // empty: profile_path()
  std::string open_file;     // a settings file to load once the window is up
  bool simulated = false;    // the link talks to the built-in simulated switcher
  // That switcher: its pseudo-terminal is the link's device, and it is set up
  // as the document is at start and after every change of model, interface
  // or unit address.
  SimulatedPort* simulator = nullptr;
  bool set_locale = true;    // take the locale from the environment
};

class CKLVCApp {
 public:
  explicit CKLVCApp(ui::Ui& ui);
  // Stops the link if the loop ended without shut_down, then restores the default boxes.
  ~CKLVCApp();
  CKLVCApp(const CKLVCApp&) = delete;
  CKLVCApp& operator=(const CKLVCApp&) = delete;

  // Locale, message boxes onto the screen, the traffic list, main
  // frame (profile, defaults, port, reader), view, then the frame's window.
  bool init_instance(const StartOptions& options);
  void on_app_about();

  CMainFrame& frame() { return *frame_; }
  CKLVCView& view() { return *view_; }
  TrafficLog& traffic() { return *traffic_; }
  SettingsStore& doc() { return doc_; }
  Link& link() { return link_; }

 private:
  ui::Ui& ui_;
  // What the frame and every dialog work on (see DialogContext).
  SettingsStore doc_;
  Link link_;
  PortMap ports_;
  std::unique_ptr<ScopedUiMessageSink> sink_;
  std::unique_ptr<TrafficLog> traffic_;
  int traffic_listener_ = 0;  // the link's listener feeding traffic_
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<CKLVCView> view_;
};

}  // namespace klvc
