// Temporary, until the screen and the dialogs hold a Link of their own: the
// screen's one link as free functions. They forward to default_link(), which
// src/default_link/ keeps with the screen's COM port map and its simulated
// device, and which frames each line with the address the screen's store
// holds. Nothing under src/link, src/sim, src/cli, src/send_all or
// src/profile uses them; they go once no caller is left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "common/port_map.h"
#include "link/link.h"

namespace klvc {

// The screen's link, for as long as the process runs.
Link& default_link();
// The COM port map the screen's link opens from (the profile's).
void set_default_port_map(const PortMap& map);

void open_port();  // the store's COM port (or the simulated device), interface and address
void start_reader();
void stop_link();
void restart_link();
bool link_is_open();
void send_command(const char* text);
inline void send_command(const std::string& text) { send_command(text.c_str()); }
void send_command(const std::string& text, LineOwner owner);
void handle_response(const char* line);
void no_connect_check();
void set_link_clock(std::function<std::int64_t()> now_ms);
void give_up_answers(const char* why);
void restart_line_numbers();
void clear_answer_lag();
std::string answer_lag_text(long first_line);
void set_answer_observer(std::function<void(const AnswerEvent&)> observer);
bool answers_awaited();
SendOutcome last_send_outcome();
void set_direct_line(std::function<void(const std::string& bytes)> writer);
void feed_received(const char* data, std::size_t size);
void set_port_device(int com_index, std::string path);
std::string port_device(int com_index);
void set_simulated_device(std::string pty_path);
int read_answers_yourself(bool on);
void read_answers_now();
LinkState link_state();
std::string link_lost_reason();
std::string link_device();
void set_reconnect_interval_ms(int ms);
LinkStatus& link_status();

}  // namespace klvc
