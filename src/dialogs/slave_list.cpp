#include "dialogs/slave_list.h"

#include "settings/store.h"

namespace klvc {

void open_slave_number_list(ui::ComboBox& list) {
  list.select(store().slave_number.load());
  list.enable(store().interface_mode.load() == 1);
}

}  // namespace klvc
