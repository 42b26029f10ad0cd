// Temporary, until the screen and the dialogs hold a Link of their own: the
// free functions of link/link_free.h on the screen's one link. It reads the
// screen's store for the COM port, the interface and the address, as the
// screen expects of them; the link itself reads nothing of the store.
#include <memory>
#include <mutex>

#include "link/link.h"
#include "settings/store.h"

namespace klvc {

namespace {

struct Defaults {
  std::mutex mutex;
  PortMap ports;
  std::string simulated;  // a simulated switcher's pseudo-terminal, opened instead of the COM port
};

Defaults& defaults() {
  static Defaults* d = new Defaults;
  return *d;
}

// The address the dialogs last chose, before each line and each answer.
Link& addressed() {
  Link& l = default_link();
  l.set_address(store().interface_mode, store().slave_number);
  return l;
}

}  // namespace

Link& default_link() {
  static Link* l = new Link;  // lives until exit; the reader may still run at static destruction
  return *l;
}

void set_default_port_map(const PortMap& map) {
  std::lock_guard<std::mutex> lock(defaults().mutex);
  defaults().ports = map;
}

void set_port_device(int com_index, std::string path) {
  std::lock_guard<std::mutex> lock(defaults().mutex);
  defaults().ports.set(com_index, std::move(path));
}

std::string port_device(int com_index) {
  std::lock_guard<std::mutex> lock(defaults().mutex);
  return defaults().ports.device(com_index);
}

void set_simulated_device(std::string pty_path) {
  std::lock_guard<std::mutex> lock(defaults().mutex);
  defaults().simulated = std::move(pty_path);
}

void open_port() {
  LinkSetup setup;
  setup.com_index = store().com_port_index;
  setup.interface_mode = store().interface_mode;
  setup.slave_number = store().slave_number;
  {
    std::lock_guard<std::mutex> lock(defaults().mutex);
    setup.device = !defaults().simulated.empty() ? defaults().simulated : defaults().ports.device(setup.com_index);
  }
  default_link().open(setup);
}

void start_reader() { default_link().start_reader(); }
void stop_link() { default_link().stop(); }
void restart_link() {
  stop_link();
  open_port();
  start_reader();
}
bool link_is_open() { return default_link().is_open(); }
void send_command(const char* text) { addressed().send_command(text ? text : ""); }
void send_command(const std::string& text, LineOwner owner) { addressed().send_command(text, std::move(owner)); }
void handle_response(const char* line) { addressed().handle_response(line); }
void no_connect_check() { addressed().no_connect_check(); }
void set_link_clock(std::function<std::int64_t()> now_ms) { default_link().set_clock(std::move(now_ms)); }
void give_up_answers(const char* why) { default_link().give_up_answers(why); }
void restart_line_numbers() { default_link().restart_line_numbers(); }
void clear_answer_lag() { default_link().clear_answer_lag(); }
std::string answer_lag_text(long first_line) { return default_link().answer_lag_text(first_line); }
void set_answer_observer(std::function<void(const AnswerEvent&)> observer) {
  default_link().set_answer_observer(std::move(observer));
}
bool answers_awaited() { return default_link().answers_awaited(); }
SendOutcome last_send_outcome() { return default_link().last_send_outcome(); }
void set_direct_line(std::function<void(const std::string& bytes)> writer) {
  default_link().set_direct_line(std::move(writer));
}
void feed_received(const char* data, std::size_t size) { addressed().feed_received(data, size); }
int read_answers_yourself(bool on) { return default_link().read_answers_yourself(on); }
void read_answers_now() { addressed().read_answers_now(); }
LinkState link_state() { return default_link().state(); }
std::string link_lost_reason() { return default_link().lost_reason(); }
std::string link_device() { return default_link().device(); }
void set_reconnect_interval_ms(int ms) { default_link().set_reconnect_interval_ms(ms); }
LinkStatus& link_status() { return default_link().status(); }

}  // namespace klvc
