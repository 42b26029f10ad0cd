// What one send-all run amounts to for each model, worked out by hand from
// the step table: 80 ms ticks = 72 + 64 x alarm output terminals
// + 64 x outputs + 128 + 1 (the slow-down step), 500 ms ticks = 10 + inputs,
// commands = 8 + alarm input terminals + inputs x alarm output terminals
// + inputs x outputs + 4 x outputs + 2 x inputs. The nominal duration is the
// scheduled time rounded to a tenth of a second.
#pragma once

namespace klvc::testing {

struct SendAllFigures {
  int fast_ticks;
  int slow_ticks;
  int commands;
  int scheduled_ms;
  int nominal_tenths;
  int progress_max;
};

// Indexed by model, KLV-A first.
constexpr SendAllFigures kSendAllFigures[] = {
    {905, 38, 420, 91400, 914, 369},     {1161, 34, 480, 109880, 1099, 365},
    {1481, 42, 800, 139480, 1395, 373},  {1481, 58, 1152, 147480, 1475, 389},
    {1481, 74, 1504, 155480, 1555, 405},
};

}  // namespace klvc::testing
