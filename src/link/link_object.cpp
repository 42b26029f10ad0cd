// Until the link's state lives in each Link: the object speaks for the
// process's one link.
#include "link/link.h"

#include "settings/store.h"

namespace klvc {

Link::Link() = default;
Link::~Link() = default;

void Link::open(const LinkSetup& setup) {
  setup_ = setup;
  set_simulated_device(setup.device);
  allow_console_device(setup.named_by_operator ? setup.device : std::string());
  set_address(setup.interface_mode, setup.slave_number);
  if (setup.com_index >= 0) store().com_port_index = setup.com_index;
  open_port();
}
void Link::start_reader() { klvc::start_reader(); }
void Link::stop() { stop_link(); }
void Link::set_address(int interface_mode, int slave_number) {
  store().interface_mode = interface_mode;
  store().slave_number = slave_number;
}
LinkState Link::state() const { return link_state(); }
std::string Link::lost_reason() const { return link_lost_reason(); }
std::string Link::device() const { return link_device(); }
void Link::send_command(const std::string& text, LineOwner owner) { klvc::send_command(text, std::move(owner)); }
SendOutcome Link::last_send_outcome() const { return klvc::last_send_outcome(); }
void Link::handle_response(const char* line) { klvc::handle_response(line); }
void Link::feed_received(const char* data, std::size_t size) { klvc::feed_received(data, size); }
void Link::set_direct_line(std::function<void(const std::string&)> writer) { klvc::set_direct_line(std::move(writer)); }
void Link::no_connect_check() { klvc::no_connect_check(); }
void Link::set_clock(std::function<std::int64_t()> now_ms) { set_link_clock(std::move(now_ms)); }
void Link::give_up_answers(const char* why) { klvc::give_up_answers(why); }
void Link::restart_line_numbers() { klvc::restart_line_numbers(); }
void Link::clear_answer_lag() { klvc::clear_answer_lag(); }
std::string Link::answer_lag_text(long first_line) const { return klvc::answer_lag_text(first_line); }
void Link::set_answer_observer(std::function<void(const AnswerEvent&)> observer) {
  klvc::set_answer_observer(std::move(observer));
}
bool Link::answers_awaited() const { return klvc::answers_awaited(); }
int Link::read_answers_yourself(bool on) { return klvc::read_answers_yourself(on); }
void Link::read_answers_now() { klvc::read_answers_now(); }
void Link::set_reconnect_interval_ms(int ms) { klvc::set_reconnect_interval_ms(ms); }
LinkStatus& Link::status() { return link_status(); }

}  // namespace klvc
