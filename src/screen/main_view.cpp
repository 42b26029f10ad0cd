#include "screen/main_view.h"

#include <algorithm>
#include <cstdio>

#include "settings/store.h"
#include "ui/text_width.h"

namespace klvc {

namespace {

std::string two_digits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

std::string device_text(const ViewStatus& s) {
  if (s.simulated) return "simulated switcher";
  std::string com = "COM" + std::to_string(s.com_port + 1);
  return s.device.empty() ? com + "（機器の割り当てなし）" : s.device + " (" + com + ")";
}

std::string link_text(LinkState state) {
  switch (state) {
    case LinkState::Open: return "接続中";
    case LinkState::WaitingForDevice: return "切断 — 機器が戻るのを待っています（戻れば自動で再接続）";
    case LinkState::Closed: break;
  }
  return "なし — ポートを開けませんでした（通信 > 通信の設定）";
}

const char* arrow(LogDirection d) {
  switch (d) {
    case LogDirection::Sent: return "->";
    case LogDirection::Received: return "<-";
    case LogDirection::Event:
    case LogDirection::Pairing: break;
  }
  return "--";
}

// Keeps the end of a long path, which says the most.
std::string path_tail(const std::string& path, int cells) {
  if (ui::display_width(path) <= cells) return path;
  auto cps = ui::decode_utf8(path);
  std::string tail;
  int used = 3;
  for (std::size_t i = cps.size(); i-- > 0;) {
    const int w = ui::char_width(cps[i]);
    if (used + w > cells) break;
    used += w;
    tail = ui::encode_utf8(cps[i]) + tail;
  }
  return "..." + tail;
}

// A line cut to `cells` says so with "…" at its end.
std::string cut_with_mark(const std::string& text, int cells) {
  if (ui::display_width(text) <= cells) return text;
  return ui::fit_width(text, std::max(0, cells - 1)) + "…";
}

// Keeps both ends of a long device path (/dev/serial/by-id/usb-…-if00-port0):
// the start says what kind of device, the end which one.
std::string path_middle_cut(const std::string& path, int cells) {
  if (ui::display_width(path) <= cells || cells < 5) return path;
  const auto cps = ui::decode_utf8(path);
  const int head_cells = (cells - 1) / 2;
  std::string head;
  int used = 0;
  std::size_t i = 0;
  for (; i < cps.size() && used + ui::char_width(cps[i]) <= head_cells; ++i) {
    used += ui::char_width(cps[i]);
    head += ui::encode_utf8(cps[i]);
  }
  std::string tail;
  for (std::size_t k = cps.size(); k-- > i && used + 1 + ui::char_width(cps[k]) <= cells;) {
    used += ui::char_width(cps[k]);
    tail = ui::encode_utf8(cps[k]) + tail;
  }
  return head + "…" + tail;
}

}  // namespace

ViewStatus current_view_status(const SettingsStore& s, const Link& link, const PortMap& ports, bool simulated) {
  ViewStatus v;
  v.simulated = simulated;
  v.com_port = s.com_port_index;
  v.link = link.state();
  v.device = link.device();
  if (v.device.empty()) v.device = ports.device(s.com_port_index);
  v.interface_mode = s.interface_mode.load();
  v.slave_number = s.slave_number.load();
  v.model_index = s.model_index;
  v.file_name = s.file_name;
  v.modified = s.modified != 0;
  return v;
}

void paint_main_view(ui::Canvas& c, const ui::Rect& area, const ViewStatus& s, const TrafficLog& traffic) {
  if (area.h < 1 || area.w < 10) return;
  int row = area.y;
  const int end = area.y + area.h;
  auto line = [&](const std::string& text) {
    if (row < end) c.put_clipped(area.x + 1, row, text, ui::Rect{area.x + 1, row, area.w - 2, 1});
    ++row;
  };
  const std::string interface =
      s.interface_mode == 1 ? "RS-485 スレーブ " + two_digits(s.slave_number) : std::string("RS-232C");
  // The device gives way to the interface and the model, which must stay in view.
  const std::string com_part = s.simulated || s.device.empty() ? "" : " (COM" + std::to_string(s.com_port + 1) + ")";
  std::string after_device = "   " + interface + "   " + model_name(s.model_index);
  int device_room = area.w - 2 - ui::display_width("機器: " + com_part + after_device);
  if (device_room < 12) {  // a narrow terminal: single spaces between the parts
    after_device = " " + interface + " " + model_name(s.model_index);
    device_room = area.w - 2 - ui::display_width("機器: " + com_part + after_device);
  }
  ViewStatus shown = s;
  shown.device = path_middle_cut(s.device, std::max(6, device_room));
  line("機器: " + device_text(shown) + after_device);
  line("回線: " + link_text(s.link));
  const std::string edited = s.modified ? "   タイトル編集あり（未保存）" : "";
  const int room = area.w - 2 - ui::display_width("ファイル: " + edited);
  line("ファイル: " + (s.file_name.empty() ? std::string("（なし）") : path_tail(s.file_name, std::max(8, room))) + edited);
  if (row >= end) return;
  std::string rule = "── 送受信（新しい行が下） ";
  while (ui::display_width(rule) < area.w - 2) rule += "─";
  line(rule);
  const int rows = end - row;
  if (rows <= 0) return;
  const std::vector<TrafficLine> lines = traffic.last(static_cast<std::size_t>(rows));
  if (lines.empty()) line("（まだ何も送っていません）");
  for (const TrafficLine& l : lines) line(cut_with_mark(l.time + " " + arrow(l.direction) + " " + l.text, area.w - 2));
}

CKLVCView::CKLVCView(const TrafficLog& traffic, std::function<ViewStatus()> status)
    : traffic_(traffic), status_(std::move(status)) {}

void CKLVCView::on_draw(ui::Canvas& canvas, const ui::Rect& area) const {
  paint_main_view(canvas, area, status_(), traffic_);
}

}  // namespace klvc
