// The device link: the serial port, the reader thread, command framing and
// the switcher's answers.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace klvc {

// Port set-up and lifetime (user-interface thread).
void open_port();      // opens the device mapped to store().com_port_index
void start_reader();   // reader_running = 1 and start the reader thread
void stop_link();      // wake and join the reader, close everything
void restart_link();   // stop_link, open_port, start_reader
bool link_is_open();

// Frames one command (body with its CR LF) and writes it; sets response_pending.
void send_command(const char* text);
inline void send_command(const std::string& text) { send_command(text.c_str()); }

// One received answer line (reader thread, or tests).
void handle_response(const char* line);

// Once per 500 ms tick of the main frame's timer.
void no_connect_check();

// Sees every answer line as handle_response judges it (`go`: it was "GO"), on
// the thread that delivers it. Set it while no reader thread runs; empty
// removes it. The command line's send-all run counts its answers with it.
void set_answer_observer(std::function<void(bool go)> observer);

// Test and simulation hook: while set, send_command hands each framed line to
// `writer` instead of the port (on the calling thread). Empty restores the port.
void set_direct_line(std::function<void(const std::string& bytes)> writer);
// Delivers bytes as if they had been read from the port: line assembly, then
// handle_response for each complete line (on the calling thread).
void feed_received(const char* data, std::size_t size);

// COM1..COM6 (index 0..5) and the devices they stand for; by default
// /dev/ttyS0../dev/ttyS5, the profile may map any of them elsewhere (for
// example a USB adapter under /dev/serial/by-id/). Outside 0..5: empty.
void set_port_device(int com_index, std::string path);   // from the profile
std::string port_device(int com_index);                  // the mapped path
// Simulation: the link opens this pseudo-terminal instead of the mapped device and accepts the
// settings a pty cannot hold (parity); empty to go back to the mapped devices.
void set_simulated_device(std::string pty_path);

// Where the link stands, for a status line.
enum class LinkState {
  Closed,            // no port: never opened, set-up failed, or stopped
  Open,              // the device is open and the reader listens
  WaitingForDevice,  // the device went away; the reader retries about once a second
};
LinkState link_state();
// The device the link uses (or waits for); empty while closed.
std::string link_device();

// How long the reader waits between attempts to reopen a device that went
// away (about a second; tests shorten it).
void set_reconnect_interval_ms(int ms);

}  // namespace klvc
