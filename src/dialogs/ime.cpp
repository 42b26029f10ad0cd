#include "dialogs/ime.h"

#include <atomic>

namespace klvc {

namespace {
std::atomic<int> g_open_status{0};
}

int ime_get_open_status() { return g_open_status.load(); }
void ime_set_open_status(int open) { g_open_status.store(open != 0 ? 1 : 0); }

}  // namespace klvc
