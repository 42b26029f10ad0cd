// The main window's view: where the link stands (device, interface and slave
// number, model, whether the link is up, lost or waiting for the device), the
// open file and whether titles were edited, and the last lines sent and
// answers received with their times, newest at the bottom, in as many rows as
// fit. An operator sees at a glance that the switcher answers.
#pragma once

#include <functional>
#include <string>

#include "common/port_map.h"
#include "screen/traffic_log.h"
#include "link/link.h"
#include "settings/store.h"
#include "ui/canvas.h"

namespace klvc {

struct ViewStatus {
  std::string device;  // what the link uses or waits for (the configured one while closed)
  bool simulated = false;
  int com_port = 0;    // 0..5 for COM1..COM6
  LinkState link = LinkState::Closed;
  int interface_mode = 0;
  int slave_number = 0;
  int model_index = 0;
  std::string file_name;
  bool modified = false;
};

// The status now, from the document, the link and the port map.
ViewStatus current_view_status(const SettingsStore& doc, const Link& link, const PortMap& ports, bool simulated);

// Draws the view into `area` of the canvas.
void paint_main_view(ui::Canvas& canvas, const ui::Rect& area, const ViewStatus& status, const TrafficLog& traffic);

class CKLVCView {
 public:
  // `status` says where the link stands at each paint (tests pin it).
  CKLVCView(const TrafficLog& traffic, std::function<ViewStatus()> status);
  void on_draw(ui::Canvas& canvas, const ui::Rect& area) const;

 private:
  const TrafficLog& traffic_;
  std::function<ViewStatus()> status_;
};

}  // namespace klvc
