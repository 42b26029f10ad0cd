// The input method's open status. On a terminal the terminal's own input
// method composes Japanese text and hands us finished UTF-8, so there is no
// context to switch: this layer only records the status that the title dialog
// asks for and that is restored after it closes.
#pragma once

namespace klvc {

int ime_get_open_status();             // 0 closed, 1 open
void ime_set_open_status(int open);

}  // namespace klvc
