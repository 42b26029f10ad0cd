// The panel lock commands: the menu lock, the operation lock and the
// six-character panel password.
#pragma once

#include <string>

namespace klvc {

struct SwitcherSettings;

// Warning shown when the panel password cannot be sent (too short, or holding
// a character the switcher's command cannot carry).
extern const char* const kPanelPasswordRule;

// Command builders, reading only the settings they are given (the send-all
// run uses them with no dialog open); each returns the body with its CR LF.
//   password_menu_command       "PWMON" / "PWMOF"
//   password_operation_command  "PWOON" / "PWOOF"
//   panel_password_command      "PWI" + the first six characters of
//                               panel_password; "" when it cannot be sent
std::string password_menu_command(const SwitcherSettings& s);
std::string password_operation_command(const SwitcherSettings& s);
std::string panel_password_command(const SwitcherSettings& s);

// Whether `password` can go out as the panel password: at least six
// characters, the first six visible ASCII (no blanks, no multibyte text).
bool panel_password_sendable(const std::string& password);
// Whether a character may be typed into the password field: visible ASCII,
// not a blank (the settings file keeps the password as one blank-free word).
bool password_char_allowed(char32_t c);

}  // namespace klvc
