// Channel titles on the wire: the check and padding of a stored title and the
// "CA" command that carries it as 16 JIS X 0208 codes. Used by the title
// dialog and by the send-all run.
#pragma once

#include <string>

namespace klvc {

// The two warnings the operator sees for a title that cannot be sent.
extern const char* const kTitleNotJisText;        // not a double-byte character
extern const char* const kTitleOutsideSetText;    // a character the switcher lacks

// Results of send_channel_title / channel_title_command.
constexpr int kTitleSent = 0;
constexpr int kTitleNotJis = 1;
constexpr int kTitleOutsideSet = 2;

// Checks channel_titles[channel] and pads it with full-width spaces to 32
// bytes into padded_title(). A title of one half-width space counts as one
// full-width space. Returns 1 when usable, 0 when its byte count is odd or
// above 32 (or the channel is not 0..63).
int pad_channel_title(int channel);

// The work text of the last pad_channel_title.
const std::string& padded_title();

// Builds "CA" + channel + 64 hex digits + CR LF from padded_title() into
// *line. Returns kTitleSent, kTitleNotJis (a pair is not a double-byte
// Shift-JIS character) or kTitleOutsideSet (outside the accepted JIS set).
// Reads nothing but padded_title() and sends nothing.
int channel_title_command(int channel, std::string* line);

// The same check for any title (Shift-JIS bytes): "" when the dialog would
// send it, otherwise why not, naming the first character that fails.
std::string title_problem(const std::string& sjis);

// channel_title_command, then send_command when the line was built.
int send_channel_title(int channel);

// The whole check as the dialogs and the send-all run do it: pad, build and
// send. Returns nullptr when the title went out, otherwise the warning to show.
const char* send_checked_channel_title(int channel);
// The same without sending: the line goes into *line when there is no warning.
const char* checked_channel_title_line(int channel, std::string* line);

}  // namespace klvc
